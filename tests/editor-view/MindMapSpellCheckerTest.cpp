#include "editor-view/MindMapSpellChecker.h"
#include "EditorViewTestSupport.h"
#include "MindMaps/CompositeElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "Utils/RecordingFeedbackSink.h"
#include "editor-view/SpellingPanel.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"
#include "support/FakeSpellingService.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Theme "Theme xone" with a label "xtwo"; child "Child xthree" whose parent relation carries the
// label "xfour" and which has its own label "xfive"; a second child "xsix"; a cross link from the
// first child to the second labelled "xseven".
class SpellCheckerTest : public ::testing::Test {
public:
    void SetUp() override
    {
        registerNativeFormat();
        service.misspelledWords = {"xone", "xtwo", "xthree", "xfour", "xfive", "xsix", "xseven", "xbad"};
        map = std::make_unique<MindMap>();
        map->newMindMap("", true, std::string("Theme xone"));
        theme = map->mainCentralTheme();
        theme->addText()->setText("xtwo");
        child = map->addMindMapNodeAsChild(theme, {300, 0});
        child->setText("Child xthree");
        child->addText()->setText("xfive");
        child->parentRelation()->addText()->setText("xfour");
        second = map->addMindMapNodeAsChild(theme, {300, 100});
        second->setText("xsix");
        CrossLink* link = map->addCrossLinkFromSource(child, second);
        link->addText()->setText("xseven");
        map->undoManager()->removeAllActions();
        checker = std::make_unique<MindMapSpellChecker>(map.get(), service, hooks());
    }

    MindMapSpellChecker::Hooks hooks()
    {
        MindMapSpellChecker::Hooks result;
        result.scrollSelectedElementToCenter = [this] { ++centred; };
        result.closeSpellingPanel = [this] { ++panelCloses; };
        return result;
    }

    std::vector<std::string> allFinds()
    {
        std::vector<std::string> words;
        while (std::optional<std::string> word = checker->checkSpelling()) words.push_back(*word);
        return words;
    }

    FakeSpellingService service;
    RecordingFeedbackSink sink;
    std::unique_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* child = nullptr;
    MindMapNode* second = nullptr;
    std::unique_ptr<MindMapSpellChecker> checker;
    int centred = 0;
    int panelCloses = 0;
};

TEST_F(SpellCheckerTest, WalksTopicsWithTheirLabelsThenCrossLinkLabels)
{
    EXPECT_EQ((std::vector<std::string>{"xone", "xtwo", "xthree", "xfive", "xfour", "xsix", "xseven"}), allFinds());
    EXPECT_FALSE(checker->busy());
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_EQ(localized("spell_check_complete"), sink.notifications[0].message);
    EXPECT_EQ(0u, sink.notifications[0].state);
    EXPECT_EQ(7, centred);
}

TEST_F(SpellCheckerTest, FindSelectsTheElementAndKeepsPositionsInCharacters)
{
    theme->setText("\xF0\x9F\x98\x80 cafe\xCC\x81 xbad end");
    ASSERT_EQ(std::optional<std::string>("xbad"), checker->checkSpelling());
    EXPECT_EQ(theme, checker->currentElement());
    EXPECT_EQ(theme, map->selectedElement());
    EXPECT_EQ((SpellingWords::Range{8, 4}), checker->correctionRange());
    EXPECT_EQ(12, checker->currentLocation());
    ASSERT_TRUE(checker->changeSpelling("g\xC3\xB6od"));
    EXPECT_EQ("\xF0\x9F\x98\x80 cafe\xCC\x81 g\xC3\xB6od end", map->mainCentralTheme()->text());
    EXPECT_EQ(12, checker->currentLocation());
}

TEST_F(SpellCheckerTest, CleanMapCompletesAtOnceWithoutRun)
{
    service.misspelledWords.clear();
    EXPECT_EQ(std::nullopt, checker->checkSpelling());
    EXPECT_FALSE(checker->busy());
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_EQ(localized("spell_check_complete"), sink.notifications[0].message);
    EXPECT_EQ(0u, sink.notifications[0].state);
}

TEST_F(SpellCheckerTest, WithoutDictionaryNamesTheMissingLanguage)
{
    service.dictionaryLanguage.clear();
    EXPECT_EQ(std::nullopt, checker->checkSpelling());
    EXPECT_FALSE(checker->busy());
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_NE(std::string::npos, sink.notifications[0].message.find("de_CH"));
    EXPECT_EQ(1u, sink.notifications[0].state);
    EXPECT_FALSE(localized("spell_check_no_dictionary_error").empty());
}

TEST_F(SpellCheckerTest, SeveralCorrectionsUndoAsOneStep)
{
    UndoManager& undo = *map->undoManager();
    ASSERT_EQ(std::optional<std::string>("xone"), checker->checkSpelling());
    ASSERT_TRUE(checker->changeSpelling("one"));
    ASSERT_EQ(std::optional<std::string>("xtwo"), checker->checkSpelling());
    ASSERT_TRUE(checker->changeSpelling("two"));
    ASSERT_EQ(std::optional<std::string>("xthree"), checker->checkSpelling());
    ASSERT_TRUE(checker->changeSpelling("three"));
    EXPECT_EQ("Child three", child->text());
    EXPECT_EQ(localized("action_check_spelling"), undo.undoActionName());
    EXPECT_FALSE(localized("action_check_spelling").empty());
    undo.undo();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ("Theme xone", map->mainCentralTheme()->text());
    EXPECT_EQ("xtwo", MindMapSpellChecker::textOf(map->mainCentralTheme()->containedElements()[0]));
    EXPECT_EQ("Child xthree", map->mainCentralTheme()->children()[0]->text());
}

TEST_F(SpellCheckerTest, CorrectionAfterAnotherEditOpensANewStep)
{
    UndoManager& undo = *map->undoManager();
    ASSERT_TRUE(checker->checkSpelling());
    ASSERT_TRUE(checker->changeSpelling("one"));
    // The user edits another topic while the dialog is open.
    map->prepareUndoableOperation("typing");
    second->setText("xsix typed");
    ASSERT_EQ(std::optional<std::string>("xtwo"), checker->checkSpelling());
    ASSERT_TRUE(checker->changeSpelling("two"));
    undo.undo();
    MindMapNode* reloaded = map->mainCentralTheme();
    EXPECT_EQ("Theme one", reloaded->text());
    EXPECT_EQ("xsix typed", reloaded->children()[1]->text());
    EXPECT_TRUE(undo.canUndo());
}

TEST_F(SpellCheckerTest, ChangeFailuresStopTheRunWithTheirMessage)
{
    struct Case {
        const char* name;
        std::function<void(SpellCheckerTest&)> between;
        const char* key;
        const char* firstAfter;
    };
    const std::vector<Case> cases = {
        {"text edited", [](SpellCheckerTest& t) { t.theme->setText("Theme edited"); },
         "spell_check_text_modified_while_busy", "xtwo"},
        {"word moved", [](SpellCheckerTest& t) { t.theme->setText("xone Theme"); },
         "spell_check_text_modified_while_busy", "xone"},
        {"element deleted", [](SpellCheckerTest& t) { t.map->removeMindMapNode(t.second); },
         "spell_check_current_position_lost_and_restarting", "xone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        std::optional<std::string> word = checker->checkSpelling();
        if (std::string(c.name) == "element deleted") {
            while (word && *word != "xsix") word = checker->checkSpelling();
        }
        ASSERT_TRUE(word);
        c.between(*this);
        sink.notifications.clear();
        EXPECT_FALSE(checker->changeSpelling("fixed"));
        EXPECT_FALSE(checker->busy());
        ASSERT_EQ(1u, sink.notifications.size());
        EXPECT_EQ(localized(c.key), sink.notifications[0].message);
        EXPECT_EQ(1u, sink.notifications[0].state);
        EXPECT_FALSE(map->undoManager()->canUndo() &&
                     map->undoManager()->undoActionName() == localized("action_check_spelling"));
        // The next find starts over at the first element.
        EXPECT_EQ(std::optional<std::string>(c.firstAfter), checker->checkSpelling());
    }
}

TEST_F(SpellCheckerTest, ReadOnlyMapRefusesChanges)
{
    ASSERT_TRUE(checker->checkSpelling());
    map->setReadOnly(true);
    EXPECT_FALSE(checker->changeSpelling("one"));
    EXPECT_EQ("Theme xone", theme->text());
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_EQ(localized("spell_check_read_only_mind_map_error"), sink.notifications[0].message);
    EXPECT_EQ(1u, sink.notifications[0].state);
}

TEST_F(SpellCheckerTest, ChangeAllChangesLaterFindsInTheSameStep)
{
    second->setText("xone and xone");
    map->undoManager()->removeAllActions();
    ASSERT_EQ(std::optional<std::string>("xone"), checker->checkSpelling());
    ASSERT_TRUE(checker->changeAllSpelling("xone", "one"));
    std::vector<std::string> rest = allFinds();
    EXPECT_EQ((std::vector<std::string>{"xtwo", "xthree", "xfive", "xfour", "xseven"}), rest);
    EXPECT_EQ("one and one", second->text());
    map->undoManager()->undo();
    EXPECT_FALSE(map->undoManager()->canUndo());
    EXPECT_EQ("xone and xone", map->mainCentralTheme()->children()[1]->text());
}

TEST_F(SpellCheckerTest, IgnoredWordsPassForTheRunOnly)
{
    second->setText("xone");
    ASSERT_EQ(std::optional<std::string>("xone"), checker->checkSpelling());
    checker->ignoreSpelling("xone");
    EXPECT_EQ((std::vector<std::string>{"xtwo", "xthree", "xfive", "xfour", "xseven"}), allFinds());
    EXPECT_EQ(std::optional<std::string>("xone"), checker->checkSpelling());
}

TEST_F(SpellCheckerTest, ClosingThePanelEndsTheRun)
{
    ASSERT_TRUE(checker->checkSpelling());
    ASSERT_EQ(std::optional<std::string>("xtwo"), checker->checkSpelling());
    checker->spellingPanelClosed();
    EXPECT_FALSE(checker->busy());
    EXPECT_EQ(0, panelCloses);
    EXPECT_EQ(std::optional<std::string>("xone"), checker->checkSpelling());
    checker->cancelSpellCheck();
    EXPECT_EQ(1, panelCloses);
}

TEST(SpellingWordsTest, SplitsAtWordBoundaries)
{
    struct Case {
        const char* text;
        std::vector<SpellingWords::Range> words;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"one two", {{0, 3}, {4, 3}}},
        {"don't stop", {{0, 5}, {6, 4}}},
        {"2024 plan", {{5, 4}}},
        {"  (idea)!", {{3, 4}}},
        {"\xF0\x9F\x98\x80word", {{1, 4}}},
        {"cafe\xCC\x81 bar", {{0, 5}, {6, 3}}},
        {"a\xFF"
         "b",
         {{0, 1}, {2, 1}}},
        {"line\nnext", {{0, 4}, {5, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.words, SpellingWords::words(c.text));
    }
}

TEST(SpellingWordsTest, ReplaceAndSubstringStayInsideTheText)
{
    EXPECT_EQ("", SpellingWords::substring("abc", {2, 5}));
    EXPECT_EQ("abc", SpellingWords::replace("abc", {4, 1}, "x"));
    EXPECT_EQ("a\xFFz",
              SpellingWords::replace("a\xFF"
                                     "bc",
                                     {2, 2}, "z"));
    EXPECT_EQ(3u,
              SpellingWords::characterCount("\xF0\x9F\x98\x80"
                                            "e\xCC\x81"));
}

} // namespace

namespace {

// The editor's "checkSpelling:" with a dialog that only records what it was asked.
class RecordingSpellingPanel : public SpellingPanel {
public:
    RecordingSpellingPanel() { SpellingPanel::setShared(this); }
    ~RecordingSpellingPanel() override { SpellingPanel::setShared(nullptr); }
    void showSpellingPanel(MindMapSpellChecker& checker) override { shown.push_back(&checker); }
    void closeSpellingPanel() override { ++closes; }
    std::vector<MindMapSpellChecker*> shown;
    int closes = 0;
};

class EditorSpellingTest : public editortest::EditorViewTest {
protected:
    void SetUp() override
    {
        EditorViewTest::SetUp();
        registerNativeFormat();
        SpellingService::setShared(&service);
        service.misspelledWords = {"Theme"};
        showMap();
    }
    void TearDown() override
    {
        SpellingService::setShared(nullptr);
        EditorViewTest::TearDown();
    }
    FakeSpellingService service;
    RecordingSpellingPanel panel;
    RecordingFeedbackSink sink;
};

TEST_F(EditorSpellingTest, MenuActionOpensTheDialogAndAnotherMapEndsTheRun)
{
    ASSERT_TRUE(editor->performAction("checkSpelling:", nullptr));
    ASSERT_EQ(1u, panel.shown.size());
    MindMapSpellChecker& checker = *panel.shown[0];
    EXPECT_EQ(std::optional<std::string>("Theme"), checker.checkSpelling());
    EXPECT_TRUE(checker.busy());

    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    editor->setMindMap(other);
    EXPECT_FALSE(checker.busy());
    EXPECT_EQ(1, panel.closes);
}

TEST_F(EditorSpellingTest, WithoutDictionaryTheDialogStaysClosed)
{
    service.dictionaryLanguage.clear();
    editor->performAction("checkSpelling:", nullptr);
    EXPECT_TRUE(panel.shown.empty());
    ASSERT_EQ(1u, sink.notifications.size());
    EXPECT_EQ(1u, sink.notifications[0].state);
}

} // namespace
