#include "explorers/MindMapExplorerBase.h"

#include <gtest/gtest.h>

namespace {

class CountingExplorer : public MindMapExplorerBase {
public:
    using MindMapExplorerBase::MindMapExplorerBase;
    void onActivated() override { ++activations; }
    void onDeactivated() override { ++deactivations; }
    int activations = 0;
    int deactivations = 0;
};

class NamedItem : public ValidatedUserInterfaceItem {
public:
    explicit NamedItem(std::string action) : _action(std::move(action)) {}
    std::string action() const override { return _action; }

private:
    std::string _action;
};

TEST(ExplorerModesTest, OnlyTheCopyAndMoveModesPickAFolder)
{
    const struct {
        int32_t mode;
        bool folderTarget;
    } cases[] = {{0, false}, {1, false}, {2, false}, {3, false}, {4, true},
                 {5, true},  {6, false}, {7, false}, {-1, false}};
    for (const auto& c : cases) EXPECT_EQ(IsFolderTargetExplorerMode(c.mode), c.folderTarget) << c.mode;
    EXPECT_EQ(MainExplorerMode, 0);
    EXPECT_EQ(LinkCloudDocumentExplorerMode, 1);
    EXPECT_EQ(SelectCloudImageExplorerMode, 2);
    EXPECT_EQ(LinkMindMapExplorerMode, 3);
    EXPECT_EQ(CopyToFolderExplorerMode, 4);
    EXPECT_EQ(MoveToFolderExplorerMode, 5);
}

TEST(ExplorerBaseTest, ActivationCallsAHookOnlyWhenTheStateChanges)
{
    CountingExplorer explorer(MainExplorerMode);
    explorer.setActive(false);
    EXPECT_EQ(explorer.deactivations, 0);
    explorer.setActive(true);
    explorer.setActive(true);
    EXPECT_TRUE(explorer.active());
    EXPECT_EQ(explorer.activations, 1);
    explorer.setActive(false);
    explorer.setActive(false);
    EXPECT_EQ(explorer.deactivations, 1);
}

TEST(ExplorerBaseTest, TheBaseHasNoPickAndEnablesNothing)
{
    MindMapExplorerBase explorer(LinkMindMapExplorerMode);
    EXPECT_EQ(explorer.explorerMode(), 3);
    EXPECT_EQ(explorer.provider(), nullptr);
    EXPECT_FALSE(explorer.selectedBrowserItem());
    EXPECT_FALSE(explorer.selectedBrowserItemTitle());
    for (const char* action : {"newDocument:", "addFolder:", "importDocument:", "importPdf:", "other:"})
        EXPECT_FALSE(explorer.validateUserInterfaceItem(NamedItem(action)).enabled) << action;
    EXPECT_TRUE(explorer.respondsToAction("newDocument:"));
}

TEST(ExplorerBaseTest, NavigationItemsFollowTheirPane)
{
    CountingExplorer explorer(MainExplorerMode);
    ProviderNavigationItem item(&explorer);
    EXPECT_EQ(item.viewController(), &explorer);
    EXPECT_EQ(item.provider(), nullptr);
    EXPECT_FALSE(item.enabled());
    item.setActive(true);
    EXPECT_EQ(explorer.activations, 1);
    CloudNavigationItem plain(&explorer);
    EXPECT_TRUE(plain.enabled());
    EXPECT_TRUE(plain.icon().isNull());
    plain.setActive(false);
    EXPECT_TRUE(explorer.active());
}

} // namespace
