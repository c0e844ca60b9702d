#include "Editor/EditorWindowActions.h"
#include "Editor/WindowModes.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StylePresets.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "platform/TextMeasurer.h"
#include "support/FakeTextMeasurer.h"
#include "support/ManualScheduler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

class FakeColorPicker : public PopoverColorPicker {
public:
    bool isShown() const override { return shown; }
    void close() override { shown = false; }
    void pick(const Color& color) { colorPicked(color); }

    bool shown = false;
    Rect at;
    int popups = 0;

protected:
    void showChooser(const Rect& viewRect, PopoverPresenter::Edge, bool) override
    {
        shown = true;
        at = viewRect;
        ++popups;
    }
};

class NoModesHost : public WindowModesHost {
public:
    void requestFullScreen(bool fullScreen) override { requests.push_back(fullScreen); }
    int styleToolsState() const override { return 0; }
    void setStyleToolsState(int) override {}
    std::vector<bool> requests;
};

struct Notice {
    std::string title, message;
    unsigned state;
};

// A window controller's actions on an editor showing a map of a central theme with two children, a
// cross link between them and a label in the theme.
class EditorWindowActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        editor = std::make_unique<MindMapEditor>(&scheduler);
        editor->setFrameSize({800, 600});
        map = std::make_shared<MindMap>();
        map->newMindMap("", true, std::string("Theme"));
        theme = map->mainCentralTheme();
        child = map->addMindMapNodeAsChild(theme, {600, 400});
        MindMapNode* sibling = map->addMindMapNodeAsChild(theme, {200, 400});
        link = map->addCrossLinkFromSource(child, sibling);
        ASSERT_NE(link, nullptr);
        label = theme->addText();
        ASSERT_NE(label, nullptr);
        label->setText("label");
        map->validateElementStates();
        editor->setMindMap(map);
        map->setSelectedElement(theme);

        EditorWindowActionsServices services;
        services.editor = [this] { return editor.get(); };
        services.editorIsFirstResponder = [this] { return editorFocused; };
        services.makeColorPicker = [this] {
            auto made = std::make_unique<FakeColorPicker>();
            picker = made.get();
            ++pickersMade;
            return made;
        };
        services.pickStylePreset = [this](MindMapElement& element, std::function<void(const StylePreset&)> picked) {
            presetAskedFor = &element;
            pendingPresetPick = std::move(picked);
        };
        services.presetsForElementType = [this](int32_t type) -> StylePresets* {
            if (type == ElementTypeNode) return &nodePresets;
            if (type == ElementTypeText) return &textPresets;
            return nullptr;
        };
        services.setZoomFactorText = [this](const std::string& text) { zoomTexts.push_back(text); };
        services.showNotification = [this](const std::string& title, const std::string& message, unsigned state) {
            notices.push_back({title, message, state});
        };
        services.modes = &modes;
        actions = std::make_unique<EditorWindowActions>(std::move(services));
        actions->registerActions([this](const std::string& action, Responder::ActionHandler handler) {
            handlers[action] = std::move(handler);
        });
    }

    void TearDown() override
    {
        actions.reset();
        editor.reset();
        map.reset();
        TextMeasurer::setShared(nullptr);
    }

    // Sends the action as a menu item with the tag would.
    void send(const std::string& action, int64_t tag = 0)
    {
        ASSERT_TRUE(handlers.contains(action)) << action;
        MenuItem item("", action);
        item.setTag(tag);
        handlers[action](&item);
    }

    std::optional<ItemValidation> validate(const std::string& action, int64_t tag = 0)
    {
        MenuItem item("", action);
        item.setTag(tag);
        return actions->validate(item);
    }

    bool enabled(const std::string& action)
    {
        std::optional<ItemValidation> validation = validate(action);
        EXPECT_TRUE(validation.has_value()) << action;
        return validation && validation->enabled;
    }

    FakeTextMeasurer measurer;
    ManualScheduler scheduler;
    TempDir presetsFolder;
    NodeStylePresets nodePresets{presetsFolder.path()};
    TextStylePresets textPresets{presetsFolder.path()};
    NoModesHost modesHost;
    WindowModes modes{modesHost, scheduler};
    std::unique_ptr<MindMapEditor> editor;
    std::shared_ptr<MindMap> map;
    MindMapNode* theme = nullptr;
    MindMapNode* child = nullptr;
    CrossLink* link = nullptr;
    MindMapText* label = nullptr;
    bool editorFocused = true;
    std::unique_ptr<EditorWindowActions> actions;
    std::map<std::string, Responder::ActionHandler> handlers;
    FakeColorPicker* picker = nullptr;
    int pickersMade = 0;
    MindMapElement* presetAskedFor = nullptr;
    std::function<void(const StylePreset&)> pendingPresetPick;
    std::vector<std::string> zoomTexts;
    std::vector<Notice> notices;
};

TEST_F(EditorWindowActionsTest, StylingItemsAreEnabledByTheSelectedKindFocusAndEditability)
{
    struct Row {
        const char* action;
        // Enabled with a topic, a cross link, a label selected.
        bool topic, crossLink, text;
    };
    const Row rows[] = {
        {"pickFillColor:", true, false, true},
        {"pickTextColor:", true, false, true},
        {"fontSizeSelected:", true, false, true},
        {"toggleBoldFontStyle:", true, false, true},
        {"toggleItalicFontStyle:", true, false, true},
        {"toggleStrikeThroughFontStyle:", true, false, true},
        {"toggleUnderlineFontStyle:", true, false, true},
        {"applyPreset:", true, true, true},
        {"addPresetFromSelection:", true, true, true},
        {"pickStrokeColor:", true, false, false},
    };
    for (const Row& row : rows) {
        const std::pair<MindMapElement*, bool> selections[] = {
            {theme, row.topic}, {link, row.crossLink}, {label, row.text}};
        for (const auto& [element, expected] : selections) {
            map->setSelectedElement(element);
            EXPECT_EQ(enabled(row.action), expected) << row.action << " on type " << element->elementType();
        }
        map->setSelectedElement(theme);
        editorFocused = false;
        EXPECT_FALSE(enabled(row.action)) << row.action << " while a text field has the focus";
        editorFocused = true;
        map->setReadOnly(true);
        EXPECT_FALSE(enabled(row.action)) << row.action << " on a read-only map";
        map->setReadOnly(false);
        map->setSelectedElement(nullptr);
        EXPECT_FALSE(enabled(row.action)) << row.action << " without selection";
    }
}

TEST_F(EditorWindowActionsTest, MapWideItemsFollowTheMapAndAutoFocusIsCheckedByTag)
{
    for (const char* action : {"changeStyleSheet:", "zoomFactorSelected:", "showMapSearchbar:"}) {
        EXPECT_TRUE(enabled(action)) << action;
        map->setEnabled(false);
        EXPECT_FALSE(enabled(action)) << action;
        map->setEnabled(true);
    }
    const char* autoFocus[] = {"autoFocusDisabled:", "autoFocusSelected:", "autoFocusChildren:", "autoFocusBranch:"};
    for (int mode = 0; mode < 4; ++mode) {
        send(autoFocus[mode]);
        EXPECT_EQ(editor->autoFocusser().autoFocusMode(), mode);
        for (int tag = 0; tag < 4; ++tag) {
            std::optional<ItemValidation> validation = validate(autoFocus[tag], tag);
            ASSERT_TRUE(validation && validation->checked);
            EXPECT_EQ(*validation->checked, tag == mode) << autoFocus[tag] << " in mode " << mode;
        }
    }
    EXPECT_TRUE(validate("toggleFullScreenMode:")->enabled);
    EXPECT_TRUE(validate("togglePresentationMode:")->enabled);
    EXPECT_FALSE(validate("copyLink:").has_value()) << "other actions are left to the map";
}

TEST_F(EditorWindowActionsTest, ZoomAndScrollItemsAreHandedToTheEditorAndValidatedByIt)
{
    EXPECT_FALSE(enabled("zoomActualSize:")) << "already at 100%";
    send("zoomIn:");
    EXPECT_GT(editor->userScaleFactor(), 1.0);
    EXPECT_TRUE(enabled("zoomActualSize:"));
    send("zoomActualSize:");
    EXPECT_EQ(editor->userScaleFactor(), 1.0);

    send("zoomFactorSelected:", 150);
    EXPECT_DOUBLE_EQ(editor->userScaleFactor(), 1.5);
    send("zoomFactorSelected:", 0);
    EXPECT_DOUBLE_EQ(editor->userScaleFactor(), 1.5) << "a tag below 1 is no zoom";

    map->setSelectedElement(nullptr);
    EXPECT_FALSE(enabled("scrollSelectedElementToCenter:"));
    EXPECT_TRUE(enabled("scrollMapToCenter:"));
}

TEST_F(EditorWindowActionsTest, ZoomTextIsWholePercentRoundedInDoublePrecision)
{
    const std::pair<double, const char*> cases[] = {
        {1.0, "100%"}, {1.5, "150%"}, {1.254, "125%"}, {1.255, "125%"}, {0.10000000149011612, "10%"},
        {5.0, "500%"}, {0.005, "1%"},
    };
    for (const auto& [scale, text] : cases) EXPECT_EQ(EditorWindowActions::zoomFactorText(scale), text) << scale;

    editor->setUserScaleFactor(2.0);
    actions->zoomFactorChangedNotification();
    EXPECT_EQ(zoomTexts, std::vector<std::string>{"200%"});
}

TEST_F(EditorWindowActionsTest, ColourPickerCarriesItsAspectAndOffersTransparencyForTheFillOnly)
{
    struct Case {
        const char* action;
        int64_t aspect;
        bool transparency;
    };
    const Case cases[] = {{"pickFillColor:", 2, true}, {"pickStrokeColor:", 32, false}, {"pickTextColor:", 1, false}};
    const Color seeThrough(0.2, 0.4, 0.6, 0.5);
    for (const Case& c : cases) {
        send(c.action);
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->tag(), c.aspect) << c.action;
        EXPECT_EQ(picker->offersTransparency(), c.transparency) << c.action;
        EXPECT_EQ(picker->at, editor->mapRectToViewRect(theme->bounds())) << c.action;
        picker->pick(seeThrough);
        EXPECT_FALSE(picker->isShown());
    }
    EXPECT_EQ(pickersMade, 1) << "one chooser serves every aspect";
    ASSERT_TRUE(theme->style()->fillColor() && theme->style()->strokeColor() && theme->style()->textColor());
    EXPECT_EQ(theme->style()->fillColor()->alpha(), 0.5);
    EXPECT_EQ(theme->style()->strokeColor()->alpha(), 1.0) << "a stroke is never see-through";
    EXPECT_EQ(theme->style()->textColor()->alpha(), 1.0);
    EXPECT_EQ(theme->style()->textColor()->blue(), 0.6);

    map->setSelectedElement(link);
    const int popups = picker->popups;
    send("pickFillColor:");
    EXPECT_EQ(picker->popups, popups) << "a cross link has no fill";
}

TEST_F(EditorWindowActionsTest, FontActionsUseTheirStyleBitsAndSizeTag)
{
    map->setSelectedElement(label);
    const std::pair<const char*, uint64_t> toggles[] = {{"toggleBoldFontStyle:", 1},
                                                        {"toggleItalicFontStyle:", 2},
                                                        {"toggleStrikeThroughFontStyle:", 4},
                                                        {"toggleUnderlineFontStyle:", 8}};
    uint64_t expected = label->style()->fontStyle();
    for (const auto& [action, bit] : toggles) {
        send(action);
        expected |= bit;
        EXPECT_EQ(label->style()->fontStyle(), expected) << action;
    }
    send("toggleUnderlineFontStyle:");
    EXPECT_EQ(label->style()->fontStyle(), expected & ~uint64_t(8));

    send("fontSizeSelected:", 22);
    EXPECT_DOUBLE_EQ(label->style()->fontSize(), 22.0);
    send("fontSizeSelected:", 0);
    EXPECT_DOUBLE_EQ(label->style()->fontSize(), 22.0) << "a tag below 1 is no size";
}

TEST_F(EditorWindowActionsTest, AnUncustomisedStyleAddsNoPresetAndSaysSo)
{
    const size_t before = nodePresets.count();
    theme->style()->setCustomizedProps(0);
    send("addPresetFromSelection:");
    EXPECT_EQ(nodePresets.count(), before);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].title, localized("error_caption"));
    EXPECT_EQ(notices[0].message, localized("style_preset_uncustomized_style_not_added"));
    EXPECT_FALSE(notices[0].message.empty());
    EXPECT_EQ(notices[0].state, 2u);

    {
        ElementStyle::UpdateGuard batch(*theme->style());
        theme->style()->setPropCustomized(TextStyle::FillColorMask, true);
        theme->style()->setFillColor(Color(1, 0, 0));
    }
    send("addPresetFromSelection:");
    ASSERT_EQ(nodePresets.count(), before + 1);
    EXPECT_EQ(notices.size(), 1u);

    map->setSelectedElement(link);
    send("addPresetFromSelection:");
    EXPECT_EQ(notices.size(), 1u) << "no collection for the kind: nothing happens";
}

TEST_F(EditorWindowActionsTest, APickedPresetGoesToTheSelectionOfTheMapItWasPickedFor)
{
    send("applyPreset:");
    ASSERT_EQ(presetAskedFor, theme);
    ASSERT_TRUE(pendingPresetPick);
    const StylePreset* red = nullptr;
    for (const auto& preset : nodePresets.presets())
        if (preset->style()->customizedProps() != 0) red = preset.get();
    ASSERT_NE(red, nullptr);
    pendingPresetPick(*red);
    EXPECT_NE(theme->style()->customizedProps(), 0u);

    // Another map shows by the time the browser answers: nothing changes.
    send("applyPreset:");
    auto other = std::make_shared<MindMap>();
    other->newMindMap("", true, std::string("Other"));
    other->validateElementStates();
    editor->setMindMap(other);
    other->setSelectedElement(other->mainCentralTheme());
    other->mainCentralTheme()->style()->setCustomizedProps(0);
    pendingPresetPick(*red);
    EXPECT_EQ(other->mainCentralTheme()->style()->customizedProps(), 0u);
    editor->setMindMap(map);
}

TEST_F(EditorWindowActionsTest, StyleSheetComesFromTheSendersValueAndModesFromTheirActions)
{
    auto sheet = std::make_shared<StyleSheet>();
    MenuItem item("", "changeStyleSheet:");
    item.setRepresentedValue(sheet);
    handlers["changeStyleSheet:"](&item);
    EXPECT_EQ(map->styleSheet(), sheet.get());
    MenuItem bare("", "changeStyleSheet:");
    bare.setRepresentedValue(std::string("not a sheet"));
    handlers["changeStyleSheet:"](&bare);
    EXPECT_EQ(map->styleSheet(), sheet.get()) << "a value of another kind changes nothing";

    send("togglePresentationMode:");
    send("toggleFullScreenMode:");
    EXPECT_EQ(modesHost.requests, (std::vector<bool>{true, true}));
}

} // namespace

TEST_F(EditorWindowActionsTest, BoldAndItalicKeysToggleTheirTraitKeepingTheOtherOnATopicBoldByItsStyle)
{
    // Sheet fonts of a family the machine lacks, as the default sheets' are on most desktops.
    const Font saved[] = {StyleSheet::centralThemeFont(), StyleSheet::mainBranchFont(), StyleSheet::subBranchFont()};
    const Font bold("Tarnwick Missing Sans", 20, true);
    StyleSheet::changeStyleSheetFonts(bold, bold, bold, std::nullopt, std::nullopt);
    const std::pair<const char*, uint64_t> steps[] = {{"toggleItalicFontStyle:", 1 | 2}, {"toggleBoldFontStyle:", 2}};
    for (const auto& [action, traits] : steps) {
        send(action);
        map->validateElementStates();
        EXPECT_EQ(traits, (theme->font()->isBold() ? 1u : 0u) | (theme->font()->isItalic() ? 2u : 0u)) << action;
    }
    StyleSheet::changeStyleSheetFonts(saved[0], saved[1], saved[2], std::nullopt, std::nullopt);
}
