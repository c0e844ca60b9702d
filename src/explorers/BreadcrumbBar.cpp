#include "explorers/BreadcrumbBar.h"

#include "platform/AttributedString.h"
#include "platform/BezierPath.h"
#include "platform/GraphicsContext.h"
#include "platform/Image.h"
#include "platform/Menu.h"
#include "platform/TextMeasurer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double TextInset = 2.0;
constexpr double RootImageSide = 14.0;
constexpr double ArrowSide = 6.0;
constexpr double SeparatorInset = 8.0;

// A chevron in the square, pointing left or right, as the desktop's go-left and go-right marks.
void drawChevron(GraphicsContext& context, const Rect& square, bool pointsRight)
{
    BezierPath chevron;
    const double tipX = pointsRight ? square.maxX() - 1 : square.minX() + 1;
    const double tailX = pointsRight ? square.minX() + 1.5 : square.maxX() - 1.5;
    chevron.moveTo({tailX, square.minY()});
    chevron.lineTo({tipX, square.midY()});
    chevron.lineTo({tailX, square.maxY()});
    chevron.setLineWidth(1.2);
    context.strokePath(chevron, StrokeStyle::solid(Color(0.3, 0.3, 0.3)));
}

} // namespace

BreadcrumbBar::BreadcrumbBar(TextMeasurer& measurer) : _measurer(measurer)
{
    _rootButton.kind = BreadcrumbBarButton::Root;
    _backArrowButton.kind = BreadcrumbBarButton::BackArrow;
    measureButton(_rootButton);
    measureButton(_backArrowButton);
    setFont(Font(Font::fallbackFamily(), 13));
}

void BreadcrumbBar::setFont(const Font& font)
{
    _font = font;
    _textHeight = _measurer.sizeForText("Wyg", _font).height;
    for (BreadcrumbBarButton& button : _pathButtons) measureButton(button);
    measureButton(_rootButton);
    updateVisibleButtons();
}

void BreadcrumbBar::setFrameSize(Size size)
{
    _size = size;
    updateVisibleButtons();
}

void BreadcrumbBar::setRootImage(std::shared_ptr<const Image> image)
{
    _rootImage = std::move(image);
    measureButton(_rootButton);
    updateVisibleButtons();
    setNeedsDisplay();
}

void BreadcrumbBar::setRootCaption(const std::string& caption)
{
    _rootButton.caption = caption;
    measureButton(_rootButton);
    updateVisibleButtons();
    setNeedsDisplay();
}

Size BreadcrumbBar::measureTextSize(const std::string& text) const
{
    if (text.empty()) return {};
    return _measurer.sizeForText(text, _font);
}

void BreadcrumbBar::measureButton(BreadcrumbBarButton& button) const
{
    switch (button.kind) {
    case BreadcrumbBarButton::Root:
        // Without its picture the root says what it is in words.
        button.width = (_rootImage && !_rootImage->isNull()) || button.caption.empty()
            ? RootButtonWidth
            : std::max(measureWidth(button.caption) + PathPadding, RootButtonWidth);
        break;
    case BreadcrumbBarButton::BackArrow:
        button.width = BackArrowButtonWidth;
        break;
    case BreadcrumbBarButton::LastPath:
        button.width = std::max(measureWidth(button.caption) + LastPathPadding, MinimumButtonWidth);
        break;
    default:
        button.width = std::max(measureWidth(button.caption) + PathPadding, MinimumButtonWidth);
        break;
    }
}

void BreadcrumbBar::setPathItems(const std::vector<BreadcrumbBarPathItem>& items)
{
    _visibleButtons.clear();
    _pathButtons.clear();
    for (const BreadcrumbBarPathItem& item : items) {
        BreadcrumbBarButton button;
        button.kind = BreadcrumbBarButton::Path;
        button.caption = item.caption;
        button.path = item.path;
        measureButton(button);
        _pathButtons.push_back(std::move(button));
    }
    if (!_pathButtons.empty()) {
        _pathButtons.back().kind = BreadcrumbBarButton::LastPath;
        measureButton(_pathButtons.back());
    }
    updateVisibleButtons();
}

std::vector<BreadcrumbBarPathItem> BreadcrumbBar::pathItemsForRelativePath(const std::string& relativePath)
{
    std::string_view rest = relativePath;
    if (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    std::vector<BreadcrumbBarPathItem> items;
    if (rest.empty()) return items;
    std::string running = "/";
    for (;;) {
        const size_t slash = rest.find('/');
        const std::string_view component = rest.substr(0, slash);
        running.append(component);
        running += '/';
        items.push_back({std::string(component), running});
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
    }
    return items;
}

void BreadcrumbBar::setRelativePath(const std::string& relativePath)
{
    setPathItems(pathItemsForRelativePath(relativePath));
}

void BreadcrumbBar::setEnabled(bool enabled)
{
    if (enabled == _enabled) return;
    _enabled = enabled;
    if (!enabled) _mouseDown = false;
    setNeedsDisplay();
}

void BreadcrumbBar::updateVisibleButtons()
{
    _visibleButtons.clear();
    _visibleButtons.push_back(&_rootButton);
    double total = _rootButton.width;
    for (const BreadcrumbBarButton& button : _pathButtons) {
        _visibleButtons.push_back(&button);
        total += button.width;
    }
    if (total > _size.width) {
        const double available = _size.width - _backArrowButton.width;
        size_t hidden = 0;
        while (_visibleButtons.size() - hidden > 1 && total > available) {
            total -= _visibleButtons[hidden]->width;
            ++hidden;
        }
        _visibleButtons.erase(_visibleButtons.begin(), _visibleButtons.begin() + static_cast<long>(hidden));
        _visibleButtons.insert(_visibleButtons.begin(), &_backArrowButton);
    }
    setNeedsDisplay();
}

void BreadcrumbBar::invokeBackArrowMenu()
{
    auto menu = std::make_shared<Menu>();
    const auto isVisible = [this](const BreadcrumbBarButton* button) {
        return std::find(_visibleButtons.begin(), _visibleButtons.end(), button) != _visibleButtons.end();
    };
    for (auto button = _pathButtons.rbegin(); button != _pathButtons.rend(); ++button) {
        if (isVisible(&*button)) continue;
        MenuItem& item = menu->addItem(button->caption, "backArrowItemClicked:");
        item.setRepresentedValue(button->path);
    }
    if (!isVisible(&_rootButton)) {
        MenuItem& item = menu->addItem(_rootButton.caption, "backArrowItemClicked:");
        item.setRepresentedValue(_rootButton.path);
        item.setTag(BreadcrumbBarButton::Root);
    }
    if (!_menuPresenter) return;
    _menuPresenter->popUpMenu(*menu, {0, _size.height}, -1, [this, menu](MenuItem& chosen) {
        const std::any value = chosen.representedValue();
        if (const auto* path = std::any_cast<std::string>(&value)) navigateTo(*path);
    });
}

void BreadcrumbBar::navigateTo(const std::string& path)
{
    if (_listener) _listener->navigateToBreadcrumbPath(path);
}

const BreadcrumbBarButton* BreadcrumbBar::buttonAt(double x) const
{
    double right = 0;
    for (const BreadcrumbBarButton* button : _visibleButtons) {
        right += button->width;
        if (right >= x) return button;
    }
    return nullptr;
}

void BreadcrumbBar::mouseDown(Point point)
{
    _mousePoint = point;
    _mouseDown = _enabled;
    setNeedsDisplay();
}

void BreadcrumbBar::mouseDragged(Point point)
{
    if (!_enabled) return;
    _mousePoint = point;
    setNeedsDisplay();
}

void BreadcrumbBar::cancelOperation()
{
    _mouseDown = false;
    setNeedsDisplay();
}

void BreadcrumbBar::mouseUp(Point point)
{
    const bool pressed = _mouseDown;
    _mouseDown = false;
    if (_enabled && pressed) {
        if (const BreadcrumbBarButton* hit = buttonAt(point.x)) {
            if (hit->kind == BreadcrumbBarButton::BackArrow) invokeBackArrowMenu();
            else navigateTo(hit->path);
        }
    }
    setNeedsDisplay();
}

void BreadcrumbBar::draw(GraphicsContext& context)
{
    const Rect bounds(0, 0, _size.width, _size.height);
    BezierPath background;
    background.appendRect(bounds);
    // Lighter at the top, as the window's strips are.
    context.fillPathWithLinearGradient(
        background,
        {{0, Color(210 / 255.0, 210 / 255.0, 210 / 255.0)}, {1, Color(230 / 255.0, 230 / 255.0, 230 / 255.0)}},
        {0, bounds.maxY()}, {0, bounds.minY()});

    double x = std::ceil(bounds.minX()) + 0.5;
    const double y = std::ceil(bounds.minY()) + 0.5;
    const double h = std::floor(bounds.height());
    for (const BreadcrumbBarButton* button : _visibleButtons) {
        const double w = button->width;
        const Rect frame(x, y, w, h);
        BezierPath outline;
        outline.appendRect(frame);
        outline.setLineWidth(0.5);
        if (_enabled) {
            const bool pressed = _mouseDown && pointInRect(_mousePoint, frame);
            context.fillPath(outline, pressed ? pressedButtonColor() : buttonColor());
        }
        context.strokePath(outline, StrokeStyle::solid(buttonFrameColor()));
        switch (button->kind) {
        case BreadcrumbBarButton::Root:
            if (_rootImage && !_rootImage->isNull()) {
                context.drawImage(*_rootImage,
                                  {x + TextInset, y + (h - RootImageSide) / 2, RootImageSide, RootImageSide});
                break;
            }
            [[fallthrough]];
        case BreadcrumbBarButton::LastPath:
        case BreadcrumbBarButton::Path:
            if (!button->caption.empty()) {
                TextAttributes attributes;
                attributes.font = _font;
                attributes.color = Color::black();
                context.drawText(AttributedString(button->caption, attributes),
                                 {x + TextInset, y + (h - _textHeight) / 2});
            }
            break;
        case BreadcrumbBarButton::BackArrow:
            drawChevron(context, {x + TextInset, y + (h - ArrowSide) / 2, ArrowSide, ArrowSide}, false);
            break;
        }
        if (button->kind == BreadcrumbBarButton::Root || button->kind == BreadcrumbBarButton::Path)
            drawChevron(context, {x + w - SeparatorInset, y + (h - ArrowSide) / 2, ArrowSide, ArrowSide}, true);
        x += w;
    }
}

void BreadcrumbBar::setNeedsDisplay()
{
    if (_needsDisplay) _needsDisplay();
}
