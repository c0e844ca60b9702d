#include "Editor/gtk/MailOptionsView.h"
#include "platform/gtk/GtkMailComposer.h"

#include "support/DisplayRequirement.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

bool spinUntil(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, FALSE);
    return condition();
}

TEST(GtkMailComposerTest, ArgumentsAreOneValueEachAndExitStatusesHaveTheirMeaning)
{
    MailComposer::Message message;
    message.subject = "Tarnwick Mind Map - --attach /etc/passwd; rm";
    message.attachments = {"/tmp/a b.pdf", "/tmp/-x.png"};
    EXPECT_EQ(
        (std::vector<std::string>{"xdg-email", "--utf8", "--subject", "Tarnwick Mind Map - --attach /etc/passwd; rm",
                                  "--attach", "/tmp/a b.pdf", "--attach", "/tmp/-x.png"}),
        GtkMailComposer::commandLine(message));
    message = {};
    message.recipient = "support@example.org";
    message.body = "Hello";
    EXPECT_EQ((std::vector<std::string>{"xdg-email", "--utf8", "--body", "Hello", "support@example.org"}),
              GtkMailComposer::commandLine(message));

    const std::pair<int, MailComposer::Result> statuses[] = {
        {0, MailComposer::Result::Composed},      {2, MailComposer::Result::MissingAttachment},
        {3, MailComposer::Result::NoMailProgram}, {4, MailComposer::Result::NoMailProgram},
        {1, MailComposer::Result::Failed},        {-1, MailComposer::Result::Failed},
    };
    for (auto [status, result] : statuses) EXPECT_EQ(result, GtkMailComposer::resultOfExitStatus(status)) << status;
}

// The real xdg-email with $MAILER pointing at a script that records what it was handed.
TEST(GtkMailComposerTest, RealXdgEmailHandsSubjectAndAttachmentsToTheMailer)
{
    if (!Glib::find_program_in_path("xdg-email").size()) GTEST_SKIP() << "xdg-email is not installed";
    TempDir temp;
    const std::string record = temp.file("record.txt");
    const std::string mailer = temp.file("mailer.sh");
    std::ofstream(mailer) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n";
    std::filesystem::permissions(mailer, std::filesystem::perms::owner_all);
    const std::string attachment = temp.file("Plan.pdf");
    std::ofstream(attachment) << "%PDF-1.4";
    ScopedEnvironment mailerVariable("MAILER", mailer);
    ScopedEnvironment locale("LC_ALL", std::string("C"));

    GtkMailComposer composer;
    std::optional<MailComposer::Result> result;
    MailComposer::Message message;
    message.subject = "Tarnwick Mind Map - \xC3\x9Cn\xC3\xAF"
                      "code & co";
    message.attachments = {attachment};
    composer.compose(message, [&](MailComposer::Result r) { result = r; });
    ASSERT_TRUE(spinUntil([&] { return result.has_value(); }));
    EXPECT_EQ(MailComposer::Result::Composed, *result);
    std::ifstream in(record);
    const std::string handed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The whole subject arrives, escaped into the mailto address.
    EXPECT_NE(std::string::npos, handed.find("subject=Tarnwick%20Mind%20Map%20-%20%C3%9Cn%C3%AFcode%20%26%20co"))
        << handed;
    EXPECT_NE(std::string::npos, handed.find("attach=")) << handed;
    EXPECT_NE(std::string::npos, handed.find("Plan.pdf")) << handed;

    result.reset();
    message.attachments = {temp.file("missing.pdf")};
    composer.compose(message, [&](MailComposer::Result r) { result = r; });
    ASSERT_TRUE(spinUntil([&] { return result.has_value(); }));
    EXPECT_EQ(MailComposer::Result::MissingAttachment, *result);
}

class MailOptionsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
        Gtk::Main::init_gtkmm_internals();
    }
};

TEST_F(MailOptionsViewTest, WidgetsShowAndChangeTheController)
{
    MailOptionsViewController controller({40000, 30000}, {100, 100});
    controller.setExportFormats(1u << 7);
    MailOptionsView view(controller);
    EXPECT_FALSE(view.rangeSelectionRadio().get_sensitive());
    EXPECT_FALSE(view.qualityPopup().get_parent()->get_visible());

    // Ticking PNG (the second box) offers the selection and shows the density.
    view.checkBox(1).set_active(true);
    EXPECT_TRUE(controller.isFormatChecked(2));
    EXPECT_TRUE(view.rangeSelectionRadio().get_sensitive());
    EXPECT_TRUE(view.qualityPopup().get_parent()->get_visible());
    view.qualityPopup().set_active(3);
    EXPECT_DOUBLE_EQ(3.0, controller.imageScaleFactor());
    EXPECT_FALSE(controller.okEnabled());
    EXPECT_NE(std::string::npos, std::string(view.sizeLabel().get_label()).find("red"));
    view.rangeSelectionRadio().set_active(true);
    EXPECT_TRUE(controller.selectionOnly());
    EXPECT_TRUE(controller.okEnabled());
}

} // namespace
