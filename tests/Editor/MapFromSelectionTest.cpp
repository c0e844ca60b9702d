#include "Editor/MapFromSelection.h"
#include "Editor/ExportFormatChoice.h"
#include "Editor/ExportFormatViewController.h"
#include "Editor/ExportToCloudAction.h"
#include "Editor/MapFromSelectionActions.h"
#include "Editor/TopicLinkActions.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapNode.h"
#include "formats/ExportFormats.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/Pasteboard.h"
#include "platform/UndoManager.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

struct Notice {
    std::string title, message;
    unsigned state;
};

class FakeProvider;

// A storage that writes nothing: it keeps the texts of the topics it was given, or refuses.
class FakeStorage : public MindMapStorage {
public:
    FakeStorage(CreationKey key, MindMapProvider* provider, std::string id, std::string title)
        : MindMapStorage(key, provider, std::move(id)), _title(std::move(title))
    {
    }
    std::string guid() const override { return id(); }
    std::string title() const override { return _title; }
    bool commitMindMap(MindMap* mindMap, Error* error) override;
    std::optional<std::vector<uint8_t>> getMindMapExportData() override { return exportData; }

    std::optional<std::vector<uint8_t>> exportData;

private:
    std::string _title;
};

class FakeProvider : public MindMapProvider {
public:
    explicit FakeProvider(int32_t type) : MindMapProvider(type) {}
    std::string title() const override { return "Cloudy"; }
    std::string createNewMindMapWithReference(MindMapStorage* reference, const std::string& title) override
    {
        references.push_back(reference);
        titles.push_back(title);
        if (refuseNewMaps) return {};
        return "new-" + std::to_string(titles.size());
    }
    std::shared_ptr<MindMapStorage> createStorage(const std::string& id) override
    {
        return MindMapStorage::create<FakeStorage>(this, id, id + ".twkx");
    }
    bool deleteMindMap(const std::string& id) override
    {
        deleted.push_back(id);
        return true;
    }
    bool prefersNativeLinks() const override { return native; }
    std::string buildPathBasedLink(const std::string& path) override { return "/by-path/" + path; }
    std::string uploadMedia(uint32_t kind, const std::string& fromPath, const std::string& targetName,
                            MindMapStorage* reference) override
    {
        std::ifstream file(fromPath);
        uploads.push_back({kind, fromPath, targetName, reference, file.good()});
        return failUploads ? std::string() : "uploaded/" + targetName;
    }

    struct Upload {
        uint32_t kind;
        std::string fromPath, targetName;
        MindMapStorage* reference;
        bool fileThere;
    };
    bool refuseNewMaps = false;
    bool failCommits = false;
    bool failUploads = false;
    bool native = false;
    std::vector<MindMapStorage*> references;
    std::vector<std::string> titles, deleted;
    std::map<std::string, std::vector<std::string>> committed; // topic texts by map id
    std::vector<Upload> uploads;
};

bool FakeStorage::commitMindMap(MindMap* mindMap, Error* error)
{
    auto* provider = static_cast<FakeProvider*>(this->provider());
    if (provider->failCommits) return setError(error, MakeAppError(7, "disk full"));
    std::vector<std::string>& texts = provider->committed[id()];
    for (MindMapNode* node : mindMap->nodes()) texts.push_back(node->text());
    return true;
}

class FakeOwner : public MindMapDocumentOwner {
public:
    UndoManager manager;
    UndoManager* undoManager() override { return &manager; }
    bool isDocumentEdited() const override { return false; }
    void updateChangeCount(ChangeKind) override {}
};

class FakeBrowser : public TopicLinkBrowser {
public:
    struct Request {
        std::string kind;
        int32_t providerType;
        std::string currentLink;
        OnSelected picked;
    };
    void selectMindMapHyperLink(int32_t type, const std::string& current, OnSelected picked) override
    {
        requests.push_back({"map", type, current, std::move(picked)});
    }
    void selectCloudDocLink(int32_t type, const std::string& current, OnSelected picked) override
    {
        requests.push_back({"document", type, current, std::move(picked)});
    }
    void selectImageInCloud(int32_t type, OnSelected picked) override
    {
        requests.push_back({"image", type, {}, std::move(picked)});
    }
    std::vector<Request> requests;
};

class FakeURLPrompt : public URLLinkPrompt {
public:
    using URLLinkPrompt::selectURLLink;
    std::optional<Answer> selectURLLink(const std::string& link, bool offerUpload) override
    {
        seeds.push_back(link);
        offers.push_back(offerUpload);
        return answer;
    }
    std::optional<Answer> answer;
    std::vector<std::string> seeds;
    std::vector<bool> offers;
};

class FakeExportPrompt : public ExportToCloudPrompt {
public:
    bool runExportToCloud(const std::string& message, const std::string& informative,
                          ExportFormatViewController& choice) override
    {
        messages.push_back(message);
        informativeTexts.push_back(informative);
        choice.selectFormat(ExportFormatFromExtension(extension).value_or(-1));
        return confirm;
    }
    std::string extension = "txt";
    bool confirm = true;
    std::vector<std::string> messages, informativeTexts;
};

class Item : public ValidatedUserInterfaceItem {
public:
    explicit Item(std::string action) : _action(std::move(action)) {}
    std::string action() const override { return _action; }

private:
    std::string _action;
};

// A map "Theme" with a branch "Branch" holding "Leaf 1" and "Leaf 2", and a sibling "Other",
// open in a storage of a provider of the test's type.
class MapActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        registerForeignFormats();
        TopicLinkBrowser::setShared(&browser);
        URLLinkPrompt::setShared(&urlPrompt);
        ExportToCloudPrompt::setShared(&exportPrompt);
        Pasteboard::setGeneralPasteboard(nullptr);
        open(MindMapProviderLocal);
    }
    void TearDown() override
    {
        actions.reset();
        TopicLinkBrowser::setShared(nullptr);
        URLLinkPrompt::setShared(nullptr);
        ExportToCloudPrompt::setShared(nullptr);
        if (storage) storage->dispose();
    }

    void open(int32_t providerType)
    {
        actions.reset();
        if (storage) storage->dispose();
        provider = std::make_unique<FakeProvider>(providerType);
        storage = MindMapStorage::create<FakeStorage>(provider.get(), std::string("current"), std::string("Plan.twkx"));
        map = std::make_unique<MindMap>(&owner, nullptr);
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        branch = map->addMindMapNodeAsChild(theme, {300, 100});
        branch->setText("Branch");
        map->addMindMapNodeAsChild(branch, {500, 50})->setText("Leaf 1");
        map->addMindMapNodeAsChild(branch, {500, 150})->setText("Leaf 2");
        other = map->addMindMapNodeAsChild(theme, {300, 300});
        other->setText("Other");
        map->setSelectedElement(branch);

        WindowMapContext context;
        context.currentStorage = [this]() -> MindMapStorage* { return storage.get(); };
        context.mindMap = [this] { return map.get(); };
        context.commitEditor = [] { return true; };
        context.openMindMap = [this](const std::string& providerId, const std::string& id) {
            opened.push_back(providerId + ":" + id);
        };
        context.showNotification = [this](const std::string& title, const std::string& message, unsigned state) {
            notices.push_back({title, message, state});
        };
        context.log = [this](const std::string& line) { logLines.push_back(line); };
        actions = std::make_unique<MapFromSelectionActions>(context);
        actions->exportToCloud().setTemporaryDirectory(temp.path());
    }

    ItemValidation validate(const std::string& action) { return actions->validate(Item(action)).value(); }
    size_t undoSteps() const { return owner.manager.canUndo() ? 1 : 0; }

    TempDir temp;
    FakeOwner owner;
    FakeBrowser browser;
    FakeURLPrompt urlPrompt;
    FakeExportPrompt exportPrompt;
    std::unique_ptr<FakeProvider> provider;
    std::shared_ptr<FakeStorage> storage;
    std::unique_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* branch = nullptr;
    MindMapNode* other = nullptr;
    std::unique_ptr<MapFromSelectionActions> actions;
    std::vector<std::string> opened, logLines;
    std::vector<Notice> notices;
};

TEST(MapFromSelectionTitle, LineFeedsBecomeBlanksAndEmptyTextIsTheDefaultName)
{
    EXPECT_STREQ(MapFromSelection::DefaultMapNameKey, "mindmap_default_mind_map_name");
    ASSERT_FALSE(localized(MapFromSelection::DefaultMapNameKey).empty());
    const struct {
        std::string text, title;
    } rows[] = {
        {"", localized("mindmap_default_mind_map_name")},
        {"Plan", "Plan"},
        {"First\nSecond", "First Second"},
        {"\n\n", "  "},
        {"a\r\nb", "a  b"},
    };
    for (const auto& row : rows) EXPECT_EQ(MapFromSelection::titleForNodeText(row.text), row.title) << row.text;
}

TEST_F(MapActionsTest, CanCreateMapFromSelectionFollowsSelectionReadOnlyAndCentralThemes)
{
    const std::string unlinked = "mindMapFromSelection:", linked = "linkedMindMapFromSelection:";
    const struct {
        const char* name;
        std::function<void()> arrange;
        bool unlinkedEnabled, linkedEnabled;
    } rows[] = {
        {"a branch", [] {}, true, true},
        {"several selected", [this] { map->toggleSelection(other, false); }, false, false},
        {"read-only", [this] { map->setReadOnly(true); }, true, false},
        {"disabled", [this] { map->setEnabled(false); }, false, false},
        {"nothing selected", [this] { map->setSelectedElement(nullptr); }, false, false},
        {"the one central theme", [this] { map->setSelectedElement(theme); }, true, false},
        {"one of two central themes",
         [this] {
             map->internalAddCentralTheme("Second");
             map->setSelectedElement(theme);
         },
         true, true},
    };
    for (const auto& row : rows) {
        open(MindMapProviderLocal);
        row.arrange();
        EXPECT_EQ(MapFromSelection::canCreateMapFromSelection(map.get(), unlinked), row.unlinkedEnabled) << row.name;
        EXPECT_EQ(MapFromSelection::canCreateMapFromSelection(map.get(), linked), row.linkedEnabled) << row.name;
        EXPECT_EQ(validate(unlinked).enabled, row.unlinkedEnabled) << row.name;
        EXPECT_EQ(validate(linked).enabled, row.linkedEnabled) << row.name;
    }
    EXPECT_FALSE(MapFromSelection::canCreateMapFromSelection(nullptr, unlinked));
}

TEST_F(MapActionsTest, NewMapHoldsTheBranchOpensAndLeavesTheUsersClipboardAlone)
{
    Pasteboard& clipboard = Pasteboard::generalPasteboard();
    clipboard.declareTypes({Pasteboard::StringType});
    clipboard.setString("the user's text", Pasteboard::StringType);
    const int64_t changes = clipboard.changeCount();
    branch->setText("Two\nlines");

    actions->mapFromSelection().mindMapFromSelection();

    ASSERT_EQ(provider->titles, std::vector<std::string>{"Two lines"});
    EXPECT_EQ(provider->references.front(), storage.get());
    EXPECT_EQ((std::multiset<std::string>(provider->committed["new-1"].begin(), provider->committed["new-1"].end())),
              (std::multiset<std::string>{"Two\nlines", "Leaf 1", "Leaf 2"}));
    EXPECT_EQ(opened, std::vector<std::string>{provider->id() + ":new-1"});
    EXPECT_EQ(clipboard.changeCount(), changes);
    EXPECT_EQ(clipboard.stringForType(Pasteboard::StringType), "the user's text");
    // The current map is not touched.
    EXPECT_EQ(branch->children().size(), 2u);
    EXPECT_FALSE(undoSteps());
    EXPECT_TRUE(notices.empty());
}

TEST_F(MapActionsTest, LinkedMapLinksTheTopicRemovesItsChildrenInOneUndoStep)
{
    EXPECT_STREQ(MapFromSelection::LinkedMapUndoKey, "editor_menu_linked_map_from_selection");
    const struct {
        int32_t providerType;
        bool native;
        int32_t linkType;
        std::string linkID, nativeLink;
    } rows[] = {
        {MindMapProviderLocal, false, 0, "new-1", ""},
        {MindMapProviderDropbox, false, 2, "/new-1", ""},
        {MindMapProviderDropbox, true, 2, "/by-path/new-1", "new-1"},
    };
    for (const auto& row : rows) {
        open(row.providerType);
        provider->native = row.native;
        opened.clear();
        actions->mapFromSelection().linkedMindMapFromSelection();

        SCOPED_TRACE(row.linkID);
        EXPECT_EQ(provider->committed["new-1"].size(), 3u);
        ASSERT_NE(branch->diagramLink(), nullptr);
        EXPECT_EQ(branch->diagramLink()->linkType(), row.linkType);
        EXPECT_EQ(branch->diagramLink()->linkID(), row.linkID);
        EXPECT_EQ(branch->diagramLink()->nativeLink(), row.nativeLink);
        EXPECT_TRUE(branch->children().empty());
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(owner.manager.undoActionName(), localized("editor_menu_linked_map_from_selection"));
        owner.manager.undo();
        // The undo brings the branch back, unlinked.
        MindMapNode* restored = map->selectedNode();
        ASSERT_NE(restored, nullptr);
        EXPECT_EQ(restored->children().size(), 2u);
        EXPECT_EQ(restored->diagramLink(), nullptr);
        owner.manager.removeAllActions();
    }
}

TEST_F(MapActionsTest, AFailedNewMapIsReportedDeletedAndChangesNothing)
{
    const struct {
        const char* name;
        bool linked, refuse;
    } rows[] = {
        {"unlinked, commit fails", false, false},
        {"linked, commit fails", true, false},
        {"linked, no map made", true, true},
    };
    for (const auto& row : rows) {
        open(MindMapProviderDropbox);
        notices.clear();
        provider->failCommits = true;
        provider->refuseNewMaps = row.refuse;
        if (row.linked) actions->mapFromSelection().linkedMindMapFromSelection();
        else actions->mapFromSelection().mindMapFromSelection();

        SCOPED_TRACE(row.name);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].state, 2u);
        EXPECT_FALSE(notices[0].title.empty());
        if (!row.refuse) {
            EXPECT_EQ(notices[0].title, "disk full");
            EXPECT_EQ(provider->deleted, std::vector<std::string>{"new-1"});
        }
        // The half-made map's storage is gone from the provider: only the current one is left.
        EXPECT_EQ(provider->storages().size(), 1u);
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(branch->children().size(), 2u);
        EXPECT_EQ(branch->diagramLink(), nullptr);
        EXPECT_FALSE(undoSteps());
    }
}

TEST_F(MapActionsTest, ARefusedSelectionMakesNoMapEvenWhenTheActionArrives)
{
    // The item was validated before the map changed: the action checks again.
    map->setReadOnly(true);
    actions->mapFromSelection().linkedMindMapFromSelection();
    map->setReadOnly(false);
    map->toggleSelection(other, false);
    actions->mapFromSelection().mindMapFromSelection();
    actions->mapFromSelection().linkedMindMapFromSelection();
    EXPECT_TRUE(provider->titles.empty());
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(branch->children().size(), 2u);
}

TEST_F(MapActionsTest, MapLinkPickedInTheBrowserHasTheStoragesLinkType)
{
    const struct {
        int32_t providerType;
        int32_t linkType;
        bool native;
        std::string linkID, nativeLink;
    } rows[] = {
        {MindMapProviderLocal, 0, false, "GUIDPICKED", ""},
        {MindMapProviderGoogleDrive, 2, false, "/picked.twkx", ""},
        {MindMapProviderGoogleDrive, 2, true, "/by-path/picked.twkx", "picked.twkx"},
    };
    for (const auto& row : rows) {
        open(row.providerType);
        provider->native = row.native;
        browser.requests.clear();
        branch->linkToURL("https://example.org");
        actions->topicLinks().addDiagramLink();
        ASSERT_EQ(browser.requests.size(), 1u);
        EXPECT_EQ(browser.requests[0].providerType, row.providerType);
        // A link of another type is no current link of the browser.
        EXPECT_EQ(browser.requests[0].currentLink, "");
        browser.requests[0].picked(row.linkType == 0 ? "GUIDPICKED" : "picked.twkx");
        ASSERT_NE(branch->diagramLink(), nullptr);
        EXPECT_EQ(branch->diagramLink()->linkType(), row.linkType);
        EXPECT_EQ(branch->diagramLink()->linkID(), row.linkID);
        EXPECT_EQ(branch->diagramLink()->nativeLink(), row.nativeLink);

        // Asked again, the browser starts at the current map.
        actions->topicLinks().addDiagramLink();
        EXPECT_EQ(browser.requests.back().currentLink, row.linkID);
    }
}

TEST_F(MapActionsTest, APickAfterTheMapOrTopicChangedIsLoggedAndChangesNothing)
{
    EXPECT_STREQ(TopicLinkActions::DiagramLinkChangedLog, "AddDiagramLink detected change in source map or node");
    const struct {
        const char* log;
        std::function<void(TopicLinkActions&)> start;
    } rows[] = {
        {"AddDiagramLink detected change in source map or node", [](TopicLinkActions& a) { a.addDiagramLink(); }},
        {"AddCloudDocumentLink detected change in source map or node",
         [](TopicLinkActions& a) { a.addCloudDocumentLink(); }},
        {"AddImageFromCloud detected change in source map or node", [](TopicLinkActions& a) { a.addImageFromCloud(); }},
    };
    for (const auto& row : rows) {
        for (bool switchMap : {false, true}) {
            open(MindMapProviderDropbox);
            browser.requests.clear();
            logLines.clear();
            row.start(actions->topicLinks());
            ASSERT_EQ(browser.requests.size(), 1u) << row.log;
            if (switchMap) {
                std::shared_ptr<FakeStorage> before = storage;
                storage = MindMapStorage::create<FakeStorage>(provider.get(), std::string("elsewhere"),
                                                              std::string("Else.twkx"));
                before->dispose();
            } else {
                map->setSelectedElement(other);
            }
            browser.requests[0].picked("picked.twkx");
            EXPECT_EQ(logLines, std::vector<std::string>{row.log});
            EXPECT_EQ(branch->diagramLink(), nullptr);
            EXPECT_EQ(other->diagramLink(), nullptr);
            EXPECT_FALSE(undoSteps());
        }
    }
}

TEST_F(MapActionsTest, URLLinkIsSeededAndUploadsOnlyWhenAsked)
{
    EXPECT_STREQ(TopicLinkActions::URLSeed, "http://");
    urlPrompt.answer = URLLinkPrompt::Answer{"https://example.org/a b", false};
    actions->topicLinks().addURLLink();
    ASSERT_EQ(urlPrompt.seeds, std::vector<std::string>{"http://"});
    EXPECT_FALSE(urlPrompt.offers[0]);
    ASSERT_NE(branch->diagramLink(), nullptr);
    EXPECT_EQ(branch->diagramLink()->linkType(), DiagramLink::LinkTypeURL);
    // An existing address is offered for change.
    actions->topicLinks().addURLLink();
    EXPECT_EQ(urlPrompt.seeds.back(), branch->diagramLink()->linkID());
    // Remove link takes the link away, whatever the field holds.
    urlPrompt.answer = URLLinkPrompt::Answer{"https://example.org/kept", false, true};
    actions->topicLinks().addURLLink();
    EXPECT_EQ(branch->diagramLink(), nullptr);
    urlPrompt.answer = URLLinkPrompt::Answer{"https://example.org/a b", false};
    actions->topicLinks().addURLLink();

    const std::string file = temp.file("notes.pdf");
    std::ofstream(file) << "pdf";
    const struct {
        const char* name;
        bool upload, fails;
        int32_t linkType;
        size_t notices;
    } rows[] = {
        {"upload asked", true, false, DiagramLink::LinkTypeCloudDocument, 0},
        {"upload not asked", false, false, DiagramLink::LinkTypeURL, 0},
        {"upload fails", true, true, -1, 1},
    };
    for (const auto& row : rows) {
        open(MindMapProviderDropbox);
        notices.clear();
        provider->failUploads = row.fails;
        urlPrompt.answer = URLLinkPrompt::Answer{file, row.upload};
        actions->topicLinks().addURLLink();
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(urlPrompt.offers.back());
        EXPECT_EQ(provider->uploads.size(), row.upload ? 1u : 0u);
        if (row.upload) {
            EXPECT_EQ(provider->uploads[0].kind, 3u);
            EXPECT_EQ(provider->uploads[0].targetName, "notes.pdf");
            EXPECT_EQ(provider->uploads[0].reference, nullptr);
        }
        ASSERT_EQ(notices.size(), row.notices);
        if (row.notices) {
            EXPECT_EQ(notices[0].state, 2u);
        }
        if (row.linkType < 0) {
            EXPECT_EQ(branch->diagramLink(), nullptr);
        } else {
            ASSERT_NE(branch->diagramLink(), nullptr);
            EXPECT_EQ(branch->diagramLink()->linkType(), row.linkType);
        }
    }
}

TEST_F(MapActionsTest, CopiedLinkPastesOntoAnotherTopicInOneUndoStep)
{
    EXPECT_STREQ(TopicLinkActions::PasteLinkUndoKey, "hyperlink_link_mindmap");
    for (int32_t type : {MindMapProviderLocal, MindMapProviderDropbox}) {
        open(type);
        EXPECT_FALSE(validate("pasteLink:").enabled);
        EXPECT_TRUE(validate("copyLink:").enabled);
        actions->topicLinks().pasteLink();
        EXPECT_FALSE(undoSteps());

        actions->topicLinks().copyLink();
        EXPECT_TRUE(validate("pasteLink:").enabled);
        map->setSelectedElement(other);
        actions->topicLinks().pasteLink();
        ASSERT_NE(other->diagramLink(), nullptr);
        EXPECT_EQ(other->diagramLink()->linkType(), type == MindMapProviderLocal ? 0 : 2);
        EXPECT_EQ(other->diagramLink()->linkID(), type == MindMapProviderLocal ? "current" : "/current");
        EXPECT_EQ(other->diagramLink()->element(), branch->guid());
        EXPECT_EQ(owner.manager.undoActionName(), localized("hyperlink_link_mindmap"));
        owner.manager.removeAllActions();
        // A read-only map takes no link.
        map->setReadOnly(true);
        EXPECT_FALSE(validate("pasteLink:").enabled);
        EXPECT_FALSE(validate("copyLink:").enabled);
    }
}

TEST_F(MapActionsTest, CloudItemsAreHiddenForLocalMaps)
{
    const char* cloudActions[] = {"addCloudDocumentLink:", "addImageFromCloud:", "exportToCloud:"};
    for (const char* action : cloudActions) {
        open(MindMapProviderLocal);
        EXPECT_TRUE(validate(action).hidden) << action;
        EXPECT_FALSE(validate(action).enabled) << action;
        open(MindMapProviderDropbox);
        EXPECT_FALSE(validate(action).hidden) << action;
        EXPECT_TRUE(validate(action).enabled) << action;
    }
    EXPECT_STREQ(ExportToCloudAction::TitleFormatKey, "action_export_to");
    EXPECT_EQ(validate("exportToCloud:").title, localizedFormat("action_export_to", {"Cloudy"}));
    EXPECT_EQ(*validate("exportToCloud:").title, "Export to Cloudy");
}

TEST_F(MapActionsTest, ExportToCloudUploadsBesideTheMapAndAlwaysRemovesTheTemporaryFile)
{
    const struct {
        const char* name;
        std::string extension;
        bool failUpload, noData;
        std::string uploadName;
        std::string noticeKey; // empty: none
    } rows[] = {
        {"text", "txt", false, false, "Plan.txt", ""},
        {"outline page", "html", false, false, "Plan.html", ""},
        {"upload fails", "opml", true, false, "Plan.opml", "export_upload_failed_error"},
        {"nowhere to write", "txt", false, true, "", "export_failed_error"},
    };
    for (const auto& row : rows) {
        open(MindMapProviderDropbox);
        notices.clear();
        if (row.noData) actions->exportToCloud().setTemporaryDirectory(temp.file("missing"));
        provider->failUploads = row.failUpload;
        exportPrompt.extension = row.extension;
        actions->exportToCloud().exportToCloud();

        SCOPED_TRACE(row.name);
        EXPECT_EQ(exportPrompt.messages.back(), "Export to Cloudy");
        EXPECT_EQ(exportPrompt.informativeTexts.back(), localized("share_dialog_export_format"));
        if (row.uploadName.empty()) {
            EXPECT_TRUE(provider->uploads.empty());
        } else {
            ASSERT_EQ(provider->uploads.size(), 1u);
            EXPECT_EQ(provider->uploads[0].kind, 4u);
            EXPECT_EQ(provider->uploads[0].targetName, row.uploadName);
            EXPECT_EQ(provider->uploads[0].reference, storage.get());
            EXPECT_TRUE(provider->uploads[0].fileThere);
        }
        if (row.noticeKey.empty()) {
            EXPECT_TRUE(notices.empty());
        } else {
            ASSERT_EQ(notices.size(), 1u);
            EXPECT_EQ(notices[0].title, localized(row.noticeKey));
            EXPECT_EQ(notices[0].state, 2u);
        }
        EXPECT_TRUE(std::filesystem::is_empty(temp.path())) << "a temporary file was left";
    }
}

TEST_F(MapActionsTest, ExportToCloudDoesNothingForALocalMapOrWhenCancelled)
{
    actions->exportToCloud().exportToCloud();
    EXPECT_TRUE(exportPrompt.messages.empty());
    open(MindMapProviderDropbox);
    exportPrompt.confirm = false;
    actions->exportToCloud().exportToCloud();
    EXPECT_EQ(exportPrompt.messages.size(), 1u);
    EXPECT_TRUE(provider->uploads.empty());
    EXPECT_TRUE(notices.empty());
}

TEST(ExportToCloudName, TitleLosesItsExtensionAndTakesTheFormats)
{
    const struct {
        std::string title, extension, name;
    } rows[] = {
        {"Plan.twkx", "pdf", "Plan.pdf"},
        {"Plan", "png", "Plan.png"},
        {"my.plan.twkx", "txt", "my.plan.txt"},
        {"-rf.twkx", "txt", "rf.txt"},
    };
    for (const auto& row : rows) EXPECT_EQ(ExportToCloudAction::uploadName(row.title, row.extension), row.name);
}

} // namespace
