#include "FuzzHome.h"

#include "Utils/StringUtils.h"
#include "explorers/BreadcrumbBar.h"
#include "explorers/FileListItem.h"
#include "explorers/FileNameFormatter.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Utf8.h"
#include "support/FakeTextMeasurer.h"
#include "support/RecordingMenuPresenter.h"

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Names the failed condition before the crash, for the run's log.
#define check(condition)                                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "failed: %s (line %d)\n", #condition, __LINE__);                                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

bool isTrimmed(char32_t c)
{
    return c == '.' || isWhitespaceOrNewline(c);
}

// A name as it is taken holds no character the formatter refuses and fits any file system.
void checkTakenName(const FileNameFormatter& formatter, const std::string& name)
{
    check(Utf8::isValid(name));
    check(name.size() <= FileNameFormatter::MaximumBytes);
    check(formatter.isPartialStringValid(name).valid);
    if (name.empty()) return;
    size_t pos = 0;
    check(!isTrimmed(Utf8::decodeNext(name, pos)));
    size_t last = name.size() - 1;
    while ((static_cast<unsigned char>(name[last]) & 0xC0) == 0x80) --last;
    pos = last;
    check(!isTrimmed(Utf8::decodeNext(name, pos)));
    check(formatter.normalizeString(name) == name);
}

void fuzzFileNames(std::string_view text)
{
    FileNameFormatter formatter;
    checkTakenName(formatter, formatter.normalizeString(text));
    const FileNameFormatter::ObjectValue value = formatter.getObjectValue(text);
    check(value.error.empty() == (value.value == text));

    const FileNameFormatter::PartialCheck typed = formatter.isPartialStringValid(text);
    if (!typed.valid) {
        check(!typed.error.empty());
        check(Utf8::isValid(typed.replacement));
        check(formatter.isPartialStringValid(typed.replacement).valid);
        check(typed.replacement.size() <= FileNameFormatter::MaximumBytes);
    }
    const std::string cut = FileNameFormatter::withSaneLength(FileNameFormatter::withoutInvalidCharacters(text));
    check(Utf8::isValid(cut) && cut.size() <= FileNameFormatter::MaximumBytes);

    formatter.setSuppressExtension(true);
    checkTakenName(formatter, formatter.editingStringForObjectValue(text));
}

void fuzzExtension(std::string_view text)
{
    const int32_t type = FileListItem::extensionToItemType(text);
    check(type == 4 || type == 8 || type == 16 || type == 32 || type == 64 || type == 128);
}

void fuzzBreadcrumb(std::string_view text, double width)
{
    FakeTextMeasurer measurer;
    RecordingMenuPresenter menus;
    BreadcrumbBar bar(measurer);
    bar.setMenuPresenter(&menus);
    bar.setRootCaption("root");
    bar.setFrameSize({width, 22});
    const std::string relative(text);
    bar.setRelativePath(relative);

    const auto& buttons = bar.pathButtons();
    for (const BreadcrumbBarButton& button : buttons) {
        check(button.width >= BreadcrumbBar::MinimumButtonWidth);
        check(!button.path.empty() && button.path.front() == '/' && button.path.back() == '/');
    }
    const auto& visible = bar.visibleButtons();
    check(!visible.empty());
    const BreadcrumbBarButton* current = buttons.empty() ? &bar.rootButton() : &buttons.back();
    check(visible.back() == current);
    double total = 0;
    size_t arrows = 0;
    for (const BreadcrumbBarButton* button : visible) {
        if (button->kind == BreadcrumbBarButton::BackArrow) ++arrows;
        else total += button->width;
    }
    check(arrows <= 1 && (arrows == 0 || visible.front()->kind == BreadcrumbBarButton::BackArrow));
    // The bar subtracts widths where this adds them: the sums may differ in the last bits.
    const double slack = 1e-6;
    if (arrows == 0) check(total <= width + slack);
    else check(total <= width - BreadcrumbBar::BackArrowButtonWidth + slack || visible.size() == 2);

    // Every hidden entry is in the back arrow's menu, and nothing else.
    bar.invokeBackArrowMenu();
    check(menus.popups.back().menu->items().size() == buttons.size() + 1 - (visible.size() - arrows));

    for (double x : {-1.0, 0.0, 13.0, width / 2, width, width + 1}) {
        bar.mouseDown({x, 5});
        bar.mouseUp({x, 5});
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 22);
    cairo_t* cr = cairo_create(surface);
    {
        CairoGraphicsContext context(cr, GraphicsSurfaceKind::Bitmap);
        bar.draw(context);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzzFileNames(text);
    fuzzExtension(text);
    const double width = size > 0 ? data[0] * 4.0 : 0.0;
    fuzzBreadcrumb(text, width);
    return 0;
}
