#include "DocumentTestSupport.h"

#include "Editor/MailMapAction.h"
#include "Editor/MailOptionsViewController.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/MindMapConverter.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "render/RenderInstallation.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "support/RecordingUriLauncher.h"
#include "support/ScriptedAlertPanel.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;

namespace {

const std::string Guid = "BBBBBBBBBBBBBBBBBBBBBBBB";
const std::string Topics = "<topic id=\"0\" parent=\"-1\" x=\"0\" y=\"0\" text=\"Left\"/>"
                           "<topic id=\"1\" parent=\"-1\" x=\"1500\" y=\"600\" text=\"Right\"/>";

// ---- The options ----

class MailOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }

public:
    // The defaults of the whole test program live in one file: the keys of these tests start empty.
    static void clear()
    {
        UserDefaults::standard().removeObject("MailExportFormats");
        UserDefaults::standard().removeObject("MailExport.ImageExportQuality");
    }
};

TEST_F(MailOptionsTest, StoredFormatsAndDensityWithBadValuesReadAsUnset)
{
    struct Case {
        const char* name;
        std::optional<PropertyList> formats;
        std::optional<PropertyList> quality;
        uint32_t expectedFormats;
        double expectedScale;
    };
    const Case cases[] = {
        {"nothing stored", {}, {}, 1u << 1, 1.0},
        {"zero formats", PropertyList(int64_t(0)), PropertyList(int64_t(4)), 1u << 1, 2.0},
        {"png and opml, medium", PropertyList(int64_t((1 << 2) | (1 << 7))), PropertyList(int64_t(3)),
         (1u << 2) | (1u << 7), 1.5},
        {"extra high", PropertyList(int64_t(1)), PropertyList(int64_t(6)), 1u, 3.0},
        {"unknown tag keeps the first", PropertyList(int64_t(1)), PropertyList(int64_t(5)), 1u, 1.0},
        {"negative formats", PropertyList(int64_t(-1)), PropertyList(int64_t(-2)), 1u << 1, 1.0},
        {"formats as text", PropertyList(std::string("4")), PropertyList(std::string("4")), 1u << 1, 1.0},
        {"formats as real", PropertyList(2.0), PropertyList(4.0), 1u << 1, 1.0},
        {"tiff only is not offered", PropertyList(int64_t(1 << 3)), {}, 1u << 1, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        if (c.formats) UserDefaults::standard().setObject("MailExportFormats", *c.formats);
        if (c.quality) UserDefaults::standard().setObject("MailExport.ImageExportQuality", *c.quality);
        MailOptionsViewController options({100, 100}, {0, 0});
        options.restoreState();
        EXPECT_EQ(c.expectedFormats, options.exportFormats());
        EXPECT_DOUBLE_EQ(c.expectedScale, options.imageScaleFactor());
    }
}

TEST_F(MailOptionsTest, SelectionRadioOnlyWithASelectionAndAFormatThatCanCarryIt)
{
    struct Case {
        Size selection;
        uint32_t formats;
        bool enabled;
    };
    const Case cases[] = {
        {{0, 0}, 1u << 1, false},   {{50, 40}, 1u << 1, true},  {{50, 40}, 1u << 7, false},
        {{50, 40}, 1u << 0, false}, {{50, 40}, 1u << 8, false}, {{50, 40}, (1u << 7) | (1u << 6), true},
        {{50, 40}, 1u << 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formats);
        MailOptionsViewController options({100, 100}, c.selection);
        options.setExportFormats(c.formats);
        options.setSelectionOnly(true);
        EXPECT_EQ(c.enabled, options.selectionRadioEnabled());
        EXPECT_EQ(c.enabled, options.selectionOnly());
    }
}

TEST_F(MailOptionsTest, TooLargePngKeepsOkDisabledUntilPngIsUnticked)
{
    MailOptionsViewController options({40000, 30000}, {0, 0});
    bool ok = true;
    options.setOkButton([&](bool enabled) { ok = enabled; });
    options.setExportFormats((1u << 1) | (1u << 2));
    options.selectDensityIndex(3);
    EXPECT_FALSE(options.pngSizeAcceptable());
    EXPECT_FALSE(ok);
    EXPECT_EQ(formatText("%@\n%@",
                         {localizedFormat("image_size_width_x_height_fmt", {"120000", "90000"}),
                          localized("share_dialog_image_too_large")}),
              options.sizeText());
    EXPECT_TRUE(options.pngControlsVisible());
    options.setFormatChecked(2, false);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(options.pngControlsVisible());
    options.setExportFormats(0);
    EXPECT_FALSE(ok);
    // Beyond 32767 pixels a side is fine while the bytes fit.
    MailOptionsViewController wide({40000, 20000}, {0, 0});
    wide.setExportFormats(1u << 2);
    EXPECT_TRUE(wide.pngSizeAcceptable());
    EXPECT_TRUE(wide.okEnabled());
}

TEST_F(MailOptionsTest, CommitWritesBothKeys)
{
    MailOptionsViewController options({10, 10}, {0, 0});
    options.setExportFormats((1u << 0) | (1u << 8));
    options.selectDensityIndex(2);
    options.commitState();
    EXPECT_EQ(int64_t((1 << 0) | (1 << 8)), UserDefaults::standard().integerForKey("MailExportFormats"));
    EXPECT_EQ(4, UserDefaults::standard().integerForKey("MailExport.ImageExportQuality"));
}

// ---- The action ----

class ChoosingPrompt : public MailOptionsPrompt {
public:
    ChoosingPrompt() { MailOptionsPrompt::setShared(this); }
    ~ChoosingPrompt() override { MailOptionsPrompt::setShared(nullptr); }
    bool runMailOptions(MailOptionsViewController& options) override
    {
        seenSelection = options.allowSelectionRange();
        options.setExportFormats(formats);
        return answer;
    }
    uint32_t formats = 0;
    bool answer = true;
    bool seenSelection = false;
};

class RecordingComposer : public MailComposer {
public:
    RecordingComposer() { MailComposer::setShared(this); }
    ~RecordingComposer() override { MailComposer::setShared(nullptr); }
    void compose(const Message& message, std::function<void(Result)> done) override
    {
        messages.push_back(message);
        done(result);
    }
    std::vector<Message> messages;
    Result result = Result::Composed;
};

class MailMapActionTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
        installRendering();
        placeFile(Guid + ".twkx", nativeDocument(Guid, "-../Plan/B", Topics));
        store = start();
        document = std::make_unique<EditorDocument>(scheduler);
        document->setWindow(&window);
        ASSERT_TRUE(document->attachToStorage(MindMapProviders::localProvider()->createStorage(Guid)));
    }
    void TearDown() override
    {
        document.reset();
        StoreTest::TearDown();
    }
    MailMapAction action()
    {
        MailMapAction::Window w;
        w.currentStorage = [this] { return document->storage(); };
        w.mindMap = [this] { return document->mindMap(); };
        w.commitEditor = [this] {
            ++commits;
            return true;
        };
        w.store = store;
        return MailMapAction(w);
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    RecordingFeedbackSink feedback;
    ChoosingPrompt prompt;
    RecordingComposer composer;
    ScriptedAlertPanel alerts;
    RecordingUriLauncher launcher;
    MindMapStore* store = nullptr;
    std::unique_ptr<EditorDocument> document;
    int commits = 0;
};

TEST_F(MailMapActionTest, AttachesTheChosenFormatsInCodeOrderUnderCleanNames)
{
    prompt.formats = (1u << 8) | (1u << 0) | (1u << 1) | (1u << 7);
    action().sendEmailMessage();
    ASSERT_EQ(1u, composer.messages.size());
    const MailComposer::Message& message = composer.messages[0];
    EXPECT_EQ("Tarnwick Mind Map - -../Plan/B", message.subject);
    ASSERT_EQ(4u, message.attachments.size());
    const char* extensions[] = {".twkx", ".pdf", ".opml", ".mm"};
    for (size_t i = 0; i < 4; ++i) {
        const std::filesystem::path path(message.attachments[i]);
        EXPECT_EQ(extensions[i], path.extension().string());
        EXPECT_EQ(std::filesystem::path(store->scratchDirectory()), path.parent_path());
        const std::string name = path.filename().string();
        EXPECT_NE('-', name[0]);
        EXPECT_NE('.', name[0]);
        EXPECT_GT(std::filesystem::file_size(path), 0u);
    }
    EXPECT_EQ(1, commits);
    EXPECT_TRUE(feedback.notifications.empty());
    EXPECT_EQ(int64_t(prompt.formats), UserDefaults::standard().integerForKey("MailExportFormats"));
}

TEST_F(MailMapActionTest, TheDocumentsActionMailsItsMap)
{
    prompt.formats = 1u << 6;
    MailMapAction::forDocument(*document).sendEmailMessage();
    ASSERT_EQ(1u, composer.messages.size());
    ASSERT_EQ(1u, composer.messages[0].attachments.size());
    EXPECT_EQ(0u, composer.messages[0].attachments[0].rfind(store->scratchDirectory(), 0));
}

TEST_F(MailMapActionTest, CancelSendsNothingAndNoFormatSendsTheSubjectOnly)
{
    prompt.formats = 1u << 1;
    prompt.answer = false;
    action().sendEmailMessage();
    EXPECT_TRUE(composer.messages.empty());
    EXPECT_FALSE(UserDefaults::standard().hasUserValue("MailExportFormats"));
    prompt.answer = true;
    prompt.formats = 0;
    action().sendEmailMessage();
    ASSERT_EQ(1u, composer.messages.size());
    EXPECT_TRUE(composer.messages[0].attachments.empty());
}

TEST_F(MailMapActionTest, SelectionSizeGrowsThirtyASideAndIsZeroWithoutRoots)
{
    MindMap& map = *document->mindMap();
    map.setSelectedElement(nullptr);
    EXPECT_EQ(0.0, MailMapAction::selectionExportSize(map).width);
    map.setSelectedElement(map.centralThemes()[0]);
    const Size size = MailMapAction::selectionExportSize(map);
    EXPECT_GT(size.width, 60.0);
    EXPECT_GT(size.height, 60.0);
    EXPECT_LT(size.width, map.imageExportSize().width);
}

TEST_F(MailMapActionTest, NoMailProgramNamesTheScratchFolderAndShowsTheFiles)
{
    prompt.formats = 1u << 6;
    composer.result = MailComposer::Result::NoMailProgram;
    alerts.answers.push_back({AlertPanel::FirstButtonReturn, {}});
    action().sendEmailMessage();
    ASSERT_EQ(1u, alerts.requests.size());
    // The folder stands whole on a line of its own: a copy of it is a path that works, and a
    // wrap of the paragraph never leaves its leading "/" alone at a line's end.
    EXPECT_NE(std::string::npos, alerts.requests[0].informativeText.find("\n" + store->scratchDirectory()));
    ASSERT_EQ(1u, composer.messages.size());
    ASSERT_EQ(1u, launcher.shownInFileManager.size());
    EXPECT_EQ(composer.messages[0].attachments[0], launcher.shownInFileManager[0]);
}

TEST_F(MailMapActionTest, FailuresReachTheUser)
{
    composer.result = MailComposer::Result::Failed;
    prompt.formats = 1u << 6;
    action().sendEmailMessage();
    ASSERT_EQ(1u, feedback.notifications.size());
    EXPECT_EQ(localized("mail_start_failed_error"), feedback.notifications[0].title);
    EXPECT_EQ(2u, feedback.notifications[0].state);
}

TEST(MailAttachmentNameTest, UntrustedTitlesBecomeSafeNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Plan", "Plan.pdf"},   {"a/b", "a_b.pdf"},   {"-rf", "rf.pdf"}, {"..hidden", "hidden.pdf"},
        {"--", "Mind Map.pdf"}, {"", "Mind Map.pdf"}, {" .-x", "x.pdf"}, {"line\nbreak", "line_break.pdf"},
    };
    for (auto [title, name] : cases) {
        SCOPED_TRACE(title);
        std::string expected = name;
        if (expected == "Mind Map.pdf") expected = localized("mindmap_mindmap") + ".pdf";
        EXPECT_EQ(expected, MailMapAction::attachmentName(title, "pdf"));
    }
}

} // namespace
