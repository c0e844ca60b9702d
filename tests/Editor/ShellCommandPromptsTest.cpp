#include "Editor/ShellCommandPrompts.h"

#include "Utils/ModalAlert.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

TEST(ShellCommandPromptsTest, AlertsReachTheDesktopPanelAndItsAnswerComesBack)
{
    ScriptedAlertPanel panel;
    ShellCommandPrompts prompts;
    ModalAlert alert;
    alert.setMessageText("Delete?");
    alert.setInformativeText("It goes for good.");
    alert.setAlertStyle(AlertStyle::Critical);
    alert.addButtonWithTitle("Delete", "\r");
    alert.addButtonWithTitle("Cancel", "\033");
    const std::pair<int, int> answers[] = {{1001, 1001}, {1000, 1000}, {0, 0}, {1002, 0}, {999, 0}};
    for (auto [given, expected] : answers) {
        panel.answers.push_back({given, ""});
        EXPECT_EQ(expected, prompts.runAlert(alert)) << given;
    }
    const AlertPanel::Request& shown = panel.requests.back();
    EXPECT_EQ("Delete?", shown.messageText);
    EXPECT_EQ("It goes for good.", shown.informativeText);
    EXPECT_EQ(AlertPanel::Style::Critical, shown.style);
    ASSERT_EQ(2u, shown.buttons.size());
    EXPECT_EQ("\033", shown.buttons[1].keyEquivalent);
}

TEST(ShellCommandPromptsTest, TheImageLinkPromptAnswersTheTextOnlyOnOK)
{
    ScriptedAlertPanel panel;
    ShellCommandPrompts prompts;
    panel.answers = {{AlertPanel::FirstButtonReturn, "https://example.org/a.png"},
                     {AlertPanel::FirstButtonReturn + 1, "x"}};
    EXPECT_EQ("https://example.org/a.png", prompts.runImageLinkPrompt("Link", "", "URL", "old"));
    EXPECT_EQ(std::nullopt, prompts.runImageLinkPrompt("Link", "", "URL", "old"));
    EXPECT_EQ("old", panel.requests[0].textField->text);
    EXPECT_EQ("URL", panel.requests[0].textField->placeholder);
}
