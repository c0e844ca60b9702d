// The X headers stay in this file: their names (Font, Window) clash with the program's own.
#include "support/PrivateDisplay.h"

#include <X11/Xlib.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

std::string describeStatus(int status)
{
    if (WIFEXITED(status)) return "ended with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("ended on signal ") + strsignal(WTERMSIG(status));
    return "ended";
}

// What the server said before it ended, from the file its messages went to.
std::string messages(int file)
{
    std::string text;
    char buffer[4096];
    ssize_t length = 0;
    off_t offset = 0;
    while ((length = pread(file, buffer, sizeof buffer, offset)) > 0 && text.size() < 16384) {
        text.append(buffer, size_t(length));
        offset += length;
    }
    return text;
}

} // namespace

PrivateDisplay::PrivateDisplay()
{
    int numberPipe[2];
    if (pipe2(numberPipe, O_CLOEXEC) != 0) {
        _failure = std::string("no pipe for Xvfb: ") + std::strerror(errno);
        return;
    }
    // The server's messages go to a file nobody else sees; they matter only when it fails.
    std::string logName = (std::filesystem::temp_directory_path() / "tarnwick-xvfb-XXXXXX").string();
    const int log = mkostemp(logName.data(), O_CLOEXEC);
    if (log >= 0) unlink(logName.c_str());
    // Everything the child needs is made before it exists: after fork() it only calls what is
    // safe between fork and exec.
    const std::string fd = std::to_string(numberPipe[1]);
    // Without -noreset the server starts over whenever its last client leaves and turns away a
    // client that connects meanwhile: the check below is such a last client, and so is each
    // program a script starts and ends.
    const char* const argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                                "1280x1024x24", "-nolisten",  "tcp",      "-noreset", nullptr};
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // The server ends when the process that started it does, also when that one crashes or
        // is killed at a time limit; SIGTERM lets it remove its lock and socket.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        fcntl(numberPipe[1], F_SETFD, 0);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(log >= 0 ? log : null, STDERR_FILENO);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    close(numberPipe[1]);
    if (child < 0) {
        _failure = std::string("Xvfb could not be started: ") + std::strerror(errno);
        close(numberPipe[0]);
        if (log >= 0) close(log);
        return;
    }
    _server = child;

    // Xvfb names its display once it takes connections. The limit only ends a wait for a server
    // that hangs; a loaded machine starts one within a second.
    std::string number;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool ended = false;
    while (number.find('\n') == std::string::npos && !ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd wait{numberPipe[0], POLLIN, 0};
        const int ready = poll(&wait, 1, int(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[32];
        const ssize_t length = read(numberPipe[0], buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) ended = true;
        else number.append(buffer, size_t(length));
    }
    close(numberPipe[0]);
    const size_t newline = number.find('\n');
    if (newline != std::string::npos && newline > 0) {
        const std::string name = ":" + number.substr(0, newline);
        if (Display* display = XOpenDisplay(name.c_str())) {
            XCloseDisplay(display);
            _name = name;
        } else {
            _failure = "Xvfb named display " + name + " but does not answer there";
        }
    } else {
        _failure = ended ? "Xvfb ended before it named its display" : "Xvfb named no display within a minute";
    }
    if (!started()) {
        kill(_server, SIGTERM);
        int status = 0;
        waitpid(_server, &status, 0);
        _server = 0;
        _failure += " (" + describeStatus(status) + ")";
        if (log >= 0) {
            const std::string said = messages(log);
            if (!said.empty()) _failure += ":\n" + said;
        }
    }
    if (log >= 0) close(log);
}

PrivateDisplay::~PrivateDisplay()
{
    if (_server <= 0) return;
    kill(_server, SIGTERM);
    int status = 0;
    while (waitpid(_server, &status, 0) < 0 && errno == EINTR) {}
}

bool xvfbInstalled()
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (access((folder + "/Xvfb").c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

namespace {

PrivateDisplay* processDisplay = nullptr;
pid_t processDisplayOwner = 0;

} // namespace

void providePrivateDisplay(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--gtest_list_tests", 0) == 0 || argument.rfind("--gtest_internal_run_death_test", 0) == 0)
            return;
    }
    // GTK would prefer a Wayland session the user runs to the X display given here.
    unsetenv("WAYLAND_DISPLAY");
    processDisplay = new PrivateDisplay;
    if (!processDisplay->started()) {
        std::fprintf(stderr, "No display of the test program's own: %s\n", processDisplay->failure().c_str());
        unsetenv("DISPLAY");
        delete processDisplay;
        processDisplay = nullptr;
        return;
    }
    setenv("DISPLAY", processDisplay->name().c_str(), 1);
    // Registered before the toolkit starts, so the server ends after everything that may still
    // talk to it at exit; a child forked by a test that calls exit() leaves it alone.
    processDisplayOwner = getpid();
    std::atexit([] {
        if (getpid() != processDisplayOwner) return;
        delete processDisplay;
        processDisplay = nullptr;
    });
}
