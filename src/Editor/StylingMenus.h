#pragma once

#include "Editor/ToolbarSegmentMenu.h"
#include "platform/NotificationCenter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Image;
class MMColorScheme;
class MindMap;
class Responder;
class StyleSheet;

// The item-definition functions: each empties the menu, then adds one item per style value,
// titled from the string table, tagged with the value and pictured with a 16-point image. The
// items get no action; the menus that hold them give them one. Inspector panels and preset
// pictures use them too.
void DefineNodeBorderStyleItems(Menu& menu);
void DefineRelationLineStyleItems(Menu& menu);
// The clear item at the end keeps its own action, so it clears the customised path rather than
// setting a path style.
void DefineRelationPathStyleItems(Menu& menu);
void DefineTextAlignmentItems(Menu& menu);
// forTarget picks the pictures of the target end; the inhibit arrow's pictures run the other way.
void DefineArrowStyleItems(Menu& menu, bool forTarget);

// The action every item of a styling menu sends through the responder chain. The item itself is
// the sender: its represented value (the style code as a number, or the width) is what the
// receiving action applies, so one action serves the whole menu.
class ElementStylingMenu : public Menu {
public:
    explicit ElementStylingMenu(std::string action);

    const std::string& action() const { return _action; }

protected:
    // Fills the menu; the base adds nothing.
    virtual void defineItems() {}
    // Called by each subclass's constructor, once its defineItems is in place.
    virtual void setupMenuItems();

private:
    std::string _action;
};

class NodeBorderStyleMenu : public ElementStylingMenu {
public:
    NodeBorderStyleMenu();

protected:
    void defineItems() override { DefineNodeBorderStyleItems(*this); }
};

class TextAlignmentMenu : public ElementStylingMenu {
public:
    TextAlignmentMenu();

protected:
    void defineItems() override { DefineTextAlignmentItems(*this); }
};

class RelationLineStyleMenu : public ElementStylingMenu {
public:
    RelationLineStyleMenu();

protected:
    void defineItems() override { DefineRelationLineStyleItems(*this); }
};

class RelationPathStyleMenu : public ElementStylingMenu {
public:
    RelationPathStyleMenu();

protected:
    void defineItems() override { DefineRelationPathStyleItems(*this); }
};

class SourceArrowStyleMenu : public ElementStylingMenu {
public:
    SourceArrowStyleMenu();

protected:
    void defineItems() override { DefineArrowStyleItems(*this, false); }
};

class TargetArrowStyleMenu : public ElementStylingMenu {
public:
    TargetArrowStyleMenu();

protected:
    void defineItems() override { DefineArrowStyleItems(*this, true); }
};

// Widths are sent as floating-point numbers.
class NodeBorderWidthMenu : public ElementStylingMenu {
public:
    static const std::vector<double>& widths();
    NodeBorderWidthMenu();

protected:
    void setupMenuItems() override;
};

class RelationLineWidthMenu : public ElementStylingMenu {
public:
    static const std::vector<double>& widths();
    RelationLineWidthMenu();

protected:
    void setupMenuItems() override;
};

// The text sizes of the style toolbar, sent to the target (the window controller) as the item's
// tag; without a target, along the responder chain.
class FontSizeMenu : public Menu {
public:
    static const std::vector<int64_t>& sizes();
    explicit FontSizeMenu(Responder* target = nullptr);
};

// A menu of the current map's palette, one drawn swatch per entry. It is rebuilt only when the
// map's style sheet is another one than it was built for; a sheet is told apart by its shared
// ownership, never by its address, which a later sheet may reuse.
class PaletteMenu : public ToolbarSegmentMenu {
public:
    using MindMapProvider = std::function<MindMap*()>;

    // The swatches send the action to the target (the document), else along the responder chain.
    PaletteMenu(MindMapProvider currentMindMap, std::string title, std::string action, Responder* target);

    MindMap* currentMindMap() const { return _currentMindMap ? _currentMindMap() : nullptr; }
    // The action the swatches send with their palette index.
    const std::string& action() const { return _action; }

    void updateMenuBeforeDropDown() override;
    // Rebuilds the items for the sheet unless they were built for it already.
    void validateColorPalette(const std::shared_ptr<StyleSheet>& styleSheet);
    // Applies the palette entry to the current map's selection.
    virtual void paletteMenuItemClicked(int64_t index) = 0;
    void doPaletteItemClicked(const MenuItem& item) { paletteMenuItemClicked(item.tag()); }

    // The swatch of one palette entry: a rounded square inset by 1, radius 2, line 2, in the
    // entry's fill and stroke colours; drawn at the scale for sharp screens.
    static std::shared_ptr<const Image> createPalettePreviewImage(const MMColorScheme& colorScheme, int64_t index,
                                                                  double scale = 2);

    static constexpr double SwatchSide = 16;
    static constexpr double SwatchInset = 1;
    static constexpr double SwatchRadius = 2;
    static constexpr double SwatchLineWidth = 2;

private:
    MindMapProvider _currentMindMap;
    std::string _action;
    Responder* _target;
    std::weak_ptr<StyleSheet> _styleSheet;
};

class ApplyPaletteIndexMenu : public PaletteMenu {
public:
    ApplyPaletteIndexMenu(MindMapProvider currentMindMap, std::string title, Responder* target = nullptr);
    void paletteMenuItemClicked(int64_t index) override;
};

class AddBranchWithPaletteIndexMenu : public PaletteMenu {
public:
    AddBranchWithPaletteIndexMenu(MindMapProvider currentMindMap, std::string title, Responder* target = nullptr);
    void paletteMenuItemClicked(int64_t index) override;
};

// The style sheets of the style manager with their previews, the custom ones after a separator,
// then editing and deleting a custom sheet. Rebuilt on opening after any sheet was changed, added
// or removed; the current map's sheet is checked every time. Sheet names are the user's: items
// show them as plain text.
class StyleSelectorMenu : public ToolbarSegmentMenu {
public:
    using MindMapProvider = std::function<MindMap*()>;
    // The picture of a sheet's preview, or nullptr; tests leave previews out.
    using PreviewProvider = std::function<std::shared_ptr<const Image>(const std::shared_ptr<StyleSheet>&)>;

    StyleSelectorMenu(MindMapProvider currentMindMap, std::string title);

    bool isMenuDirty() const { return _menuDirty; }
    void setPreviewProvider(PreviewProvider provider) { _previewProvider = std::move(provider); }
    void updateMenuBeforeDropDown() override;

    // The sheet an item of this menu stands for, or nullptr.
    static std::shared_ptr<StyleSheet> styleSheetOfItem(const MenuItem& item);

private:
    void styleManagerChangedNotify(const Notification& notification);
    void rebuild();

    MindMapProvider _currentMindMap;
    PreviewProvider _previewProvider;
    bool _menuDirty = true;
    std::vector<ObservationToken> _observations;
};

// Whether two holders share one sheet; two empty ones count as the same (no sheet either way).
bool isSameStyleSheet(const std::weak_ptr<StyleSheet>& a, const std::weak_ptr<StyleSheet>& b);
