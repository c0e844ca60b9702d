#include "explorers/ExplorerToolbarSearchField.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

namespace {

struct OtherField : EditorSearchField {
    void clearText() override {}
    void setEnabled(bool) override {}
};

} // namespace

TEST(ExplorerToolbarSearchFieldTest, TheToolbarsFieldIsTheExplorersAndKeepsTheMainWindowsMode)
{
    UserDefaults::standard().resetForTesting();
    UserDefaults::standard().setBool(MindMapSearchField::MainTopicSearchModeKey, true);
    ExplorerToolbarSearchField::install();
    TwToolbar toolbar({});
    ASSERT_TRUE(toolbar.insertItem(TwToolbar::SearchItemIdentifier, 0));
    MindMapSearchField* field = ExplorerToolbarSearchField::searchField(toolbar.searchBar());
    ASSERT_TRUE(field);
    EXPECT_EQ(MindMapSearchField::MainTopicSearchModeKey, field->searchModeAutoSaveKey());
    EXPECT_TRUE(field->fullTextSearch()) << "the stored mode";

    field->setText("plan");
    auto* ours = static_cast<ExplorerToolbarSearchField*>(toolbar.searchBar());
    std::vector<bool> states;
    ours->setEnabledHandler([&](bool enabled) { states.push_back(enabled); });
    ours->setEnabled(false);
    ours->setEnabled(false);
    ours->setEnabled(true);
    EXPECT_EQ((std::vector<bool>{false, true}), states);
    ours->clearText();
    EXPECT_EQ("", field->text());

    OtherField other;
    EXPECT_EQ(nullptr, ExplorerToolbarSearchField::searchField(&other));
    EXPECT_EQ(nullptr, ExplorerToolbarSearchField::searchField(nullptr));
    TwToolbar::setSearchFieldFactory(nullptr);
    UserDefaults::standard().resetForTesting();
}
