#pragma once

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class GraphicsContext;
class Image;
class MenuPresenter;
class TextMeasurer;

struct BreadcrumbBarPathItem {
    std::string caption;
    std::string path;
    friend bool operator==(const BreadcrumbBarPathItem&, const BreadcrumbBarPathItem&) = default;
};

struct BreadcrumbBarButton {
    enum Kind : uint64_t { Root = 0, BackArrow = 1, LastPath = 2, Path = 3 };
    double width = 0;
    uint64_t kind = Path;
    std::string caption;
    std::string path;
};

class BreadcrumbBarListener {
public:
    virtual ~BreadcrumbBarListener() = default;
    virtual void navigateToBreadcrumbPath(const std::string& path) = 0;
};

// The path bar above a cloud folder's listing: a root button, then one button per folder of the
// current path. Buttons that do not fit are hidden from the left, and a back arrow at the left
// edge opens a menu of them. The widget that shows the bar hands it its size and the pointer, and
// draws it; captions are measured with the text measurer the bar is given.
class BreadcrumbBar {
public:
    static constexpr double RootButtonWidth = 26.0;
    static constexpr double BackArrowButtonWidth = 10.0;
    static constexpr double LastPathPadding = 4.0;
    static constexpr double PathPadding = 12.0;
    static constexpr double MinimumButtonWidth = 8.0;

    explicit BreadcrumbBar(TextMeasurer& measurer);

    // The label font at the desktop's size; captions are measured and drawn in it.
    void setFont(const Font& font);
    const Font& font() const { return _font; }
    double textHeight() const { return _textHeight; }

    void setFrameSize(Size size);
    Size frameSize() const { return _size; }

    void setRootPath(const std::string& path) { _rootButton.path = path; }
    // The root shows its picture, else its caption.
    void setRootCaption(const std::string& caption);
    void setRootImage(std::shared_ptr<const Image> image);
    void setPathItems(const std::vector<BreadcrumbBarPathItem>& items);
    // "a/b" gives the folders a (path "/a/") and b (path "/a/b/"); "/" and "" give none.
    void setRelativePath(const std::string& relativePath);
    static std::vector<BreadcrumbBarPathItem> pathItemsForRelativePath(const std::string& relativePath);
    void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }
    void setNavigationListener(BreadcrumbBarListener* listener) { _listener = listener; }
    // Where the back arrow's menu is shown.
    void setMenuPresenter(MenuPresenter* presenter) { _menuPresenter = presenter; }
    void setNeedsDisplayHandler(std::function<void()> handler) { _needsDisplay = std::move(handler); }

    const BreadcrumbBarButton& rootButton() const { return _rootButton; }
    const BreadcrumbBarButton& backArrowButton() const { return _backArrowButton; }
    const std::vector<BreadcrumbBarButton>& pathButtons() const { return _pathButtons; }
    // Left to right.
    const std::vector<const BreadcrumbBarButton*>& visibleButtons() const { return _visibleButtons; }

    void updateVisibleButtons();
    void invokeBackArrowMenu();
    double measureWidth(const std::string& caption) const { return measureTextSize(caption).width; }
    Size measureTextSize(const std::string& text) const;

    // Pointer and keys, in the bar's coordinates (y grows down).
    void mouseDown(Point point);
    void mouseDragged(Point point);
    void mouseUp(Point point);
    void cancelOperation();
    bool isMouseDown() const { return _mouseDown; }
    // The visible button under x, or nothing right of the last one.
    const BreadcrumbBarButton* buttonAt(double x) const;

    void draw(GraphicsContext& context);

    static Color buttonColor() { return Color(245 / 255.0, 245 / 255.0, 245 / 255.0); }
    static Color pressedButtonColor() { return Color(200 / 255.0, 200 / 255.0, 200 / 255.0); }
    static Color buttonFrameColor() { return Color(0.5, 0.5, 0.5); }

private:
    void measureButton(BreadcrumbBarButton& button) const;
    void setNeedsDisplay();
    void navigateTo(const std::string& path);

    TextMeasurer& _measurer;
    std::vector<BreadcrumbBarButton> _pathButtons;
    std::vector<const BreadcrumbBarButton*> _visibleButtons;
    BreadcrumbBarButton _rootButton;
    BreadcrumbBarButton _backArrowButton;
    Font _font;
    double _textHeight = 0;
    Size _size;
    bool _mouseDown = false;
    Point _mousePoint;
    bool _enabled = true;
    std::shared_ptr<const Image> _rootImage;
    BreadcrumbBarListener* _listener = nullptr;
    MenuPresenter* _menuPresenter = nullptr;
    std::function<void()> _needsDisplay;
};
