#include "platform/gtk/GtkMailComposer.h"

#include <giomm.h>
#include <glib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <memory>

namespace {

struct PendingMail {
    std::function<void(MailComposer::Result)> done;
};

void childEnded(GPid pid, gint waitStatus, gpointer data)
{
    std::unique_ptr<PendingMail> pending(static_cast<PendingMail*>(data));
    g_spawn_close_pid(pid);
    int status = -1;
    if (WIFEXITED(waitStatus)) status = WEXITSTATUS(waitStatus);
    if (pending->done) pending->done(GtkMailComposer::resultOfExitStatus(status));
}

} // namespace

std::vector<std::string> GtkMailComposer::commandLine(const Message& message)
{
    // Without --utf8 a subject outside ASCII arrives cut off under the C locale.
    std::vector<std::string> arguments{"xdg-email", "--utf8"};
    if (!message.subject.empty()) arguments.insert(arguments.end(), {"--subject", message.subject});
    if (!message.body.empty()) arguments.insert(arguments.end(), {"--body", message.body});
    for (const std::string& path : message.attachments) arguments.insert(arguments.end(), {"--attach", path});
    if (!message.recipient.empty()) arguments.push_back(message.recipient);
    return arguments;
}

MailComposer::Result GtkMailComposer::resultOfExitStatus(int status)
{
    switch (status) {
    case 0:
        return Result::Composed;
    case 2:
        return Result::MissingAttachment;
    case 3: // no program for the job
    case 4: // the desktop's own launcher found none
        return Result::NoMailProgram;
    default:
        return Result::Failed;
    }
}

bool GtkMailComposer::hasMailProgram()
{
    const char* mailer = std::getenv("MAILER");
    if (mailer && *mailer) return true;
    return static_cast<bool>(Gio::AppInfo::get_default_for_uri_scheme("mailto"));
}

void GtkMailComposer::compose(const Message& message, std::function<void(Result)> done)
{
    if (!hasMailProgram()) {
        if (done) done(Result::NoMailProgram);
        return;
    }
    const std::vector<std::string> arguments = commandLine(message);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    GPid pid = 0;
    GError* error = nullptr;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD);
    if (!g_spawn_async(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid, &error)) {
        g_clear_error(&error);
        if (done) done(Result::Failed);
        return;
    }
    g_child_watch_add(pid, childEnded, new PendingMail{std::move(done)});
}
