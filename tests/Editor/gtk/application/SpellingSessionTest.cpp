// "Check Mind Map Now" as its user meets it: the Edit menu's Spelling submenu, gspell's dialog
// with the real dictionary, the corrected topic in the store, and one undo taking it back.

#include "ApplicationSession.h"
#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr const char* LettersGuid = "5E1EC7A11A11C0FFEE000042";
constexpr const char* LettersDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<tarnwick-mindmaps doc-version="3">
  <mindmap>
    <meta>
      <guid guid="5E1EC7A11A11C0FFEE000042" />
      <title text="Letters" />
      <main-centraltheme id="0" />
      <selection type="node" id="0" />
    </meta>
    <topics>
      <topic id="0" parent="-1" x="0" y="0" text="Letters" />
      <topic id="1" parent="0" x="150" y="0" text="Wrte the answer" />
    </topics>
    <relations />
  </mindmap>
</tarnwick-mindmaps>
)";
constexpr const char* DialogTitle = "Check Spelling";

bool hasTopic(const ApplicationHome& home, const std::string& text)
{
    std::optional<std::vector<std::string>> topics = readMapTopics(home, LettersGuid);
    return topics && std::find(topics->begin(), topics->end(), text) != topics->end();
}

class SpellingSessionTest : public WholeProgramTest {
protected:
    ApplicationHome home;
};

TEST_F(SpellingSessionTest, CheckMindMapNowCorrectsATopicInTheDialogAndOneUndoTakesItBack)
{
    const std::string file = home.file("Letters.twkx");
    writeTestFile(file, LettersDocument);
    auto application = std::make_unique<RunningApplication>(home, *bus);
    ASSERT_TRUE(application->waitForWindow("Welcome"));
    ASSERT_TRUE(application->chooseMenuItem("Mind Map", "Import…"));
    ASSERT_TRUE(application->chooseFile("Import", file));
    ASSERT_TRUE(application->waitForWindow("Letters"));

    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU, "Edit"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU, "Spelling"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_MENU_ITEM, "Check Mind Map Now"));
    ASSERT_TRUE(application->waitForWindow(DialogTitle)) << application->log();
    ASSERT_TRUE(application->pressKeys(DialogTitle, {"ctrl+a"}));
    ASSERT_TRUE(application->typeText(DialogTitle, "Write"));
    ASSERT_TRUE(application->click(ATSPI_ROLE_PUSH_BUTTON, "Change"));
    // The map has no other misspelling: the run ends and the dialog goes.
    ASSERT_TRUE(application->waitUntilWindowGoes(DialogTitle));

    ASSERT_TRUE(application->pressKeys("Letters", {"ctrl+s"}));
    EXPECT_TRUE(eventually([&] { return hasTopic(home, "Write the answer"); }, "the corrected topic saved"));
    ASSERT_TRUE(application->pressKeys("Letters", {"ctrl+z", "ctrl+s"}));
    EXPECT_TRUE(eventually([&] { return hasTopic(home, "Wrte the answer"); }, "the topic as it was, saved"));

    ASSERT_TRUE(application->pressKeys("Letters", {"ctrl+q"}));
    EXPECT_EQ(application->waitForExit(), 0) << application->log();
}

} // namespace
