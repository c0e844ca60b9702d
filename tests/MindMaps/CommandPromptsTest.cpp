// The modal questions when no dialogs are installed.

#include "MindMaps/ScriptedCommandPrompts.h"

#include "MindMaps/RelationStyle.h"
#include "Utils/StandardButtons.h"

#include <gtest/gtest.h>

TEST(CommandPromptsTest, WithoutDialogsEveryQuestionIsAnsweredTheSafeWay)
{
    ModalAlert alert;
    addOKAndCancelButtons(alert);
    RelationStyle working;
    RelationStyle edited;
    EXPECT_NE(commandPromptsInstance().runAlert(alert), ModalAlert::AlertFirstButtonReturn);
    EXPECT_FALSE(commandPromptsInstance().runRelationStyleDialog("m", "i", working, edited));
    EXPECT_FALSE(commandPromptsInstance().runImageLinkPrompt("m", "i", "placeholder", "link").has_value());
}
