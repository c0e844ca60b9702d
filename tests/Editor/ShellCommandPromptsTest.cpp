#include "Editor/ShellCommandPrompts.h"

#include "Utils/ModalAlert.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

TEST(ShellCommandPromptsTest, AnswersOutsideTheButtonsShownCountAsDismissed)
{
    ScriptedAlertPanel panel;
    ShellCommandPrompts prompts;
    ModalAlert alert;
    alert.addButtonWithTitle("Delete", "\r");
    alert.addButtonWithTitle("Cancel", "\033");
    const std::pair<int, int> answers[] = {{1001, 1001}, {1000, 1000}, {0, 0}, {1002, 0}, {999, 0}};
    for (auto [given, expected] : answers) {
        panel.answers.push_back({given, ""});
        EXPECT_EQ(expected, prompts.runAlert(alert)) << given;
    }

    panel.answers = {{AlertPanel::FirstButtonReturn, "https://example.org/a.png"},
                     {AlertPanel::FirstButtonReturn + 1, "x"}};
    EXPECT_EQ("https://example.org/a.png", prompts.runImageLinkPrompt("Link", "", "URL", "old"));
    EXPECT_EQ(std::nullopt, prompts.runImageLinkPrompt("Link", "", "URL", "old")) << "cancelled";
    EXPECT_EQ("old", panel.requests.back().textField->text);
}
