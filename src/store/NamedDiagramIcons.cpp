#include "store/NamedDiagramIcons.h"

#include "platform/CairoGuard.h"

#include <pango/pangocairo.h>

#include <functional>
#include <memory>
#include <numbers>

namespace {

constexpr int NumberIconSide = 32;

// Icon names in picker order.
constexpr const char* IconNames[] = {
    "ok",
    "cancel",
    "todo",
    "time",
    "question",
    "exclamation",
    "information",
    "warning",
    "error",
    "denied",
    "create",
    "favorite",
    "target",
    "greenflag",
    "yellowflag",
    "redflag",
    "plus",
    "minus",
    "key",
    "lock",
    "user_male",
    "user_female",
    "user_group",
    "user_finance",
    "user_officer",
    "user_worker",
    "user_student",
    "thumbs_up",
    "thumbs_down",
    "handshake",
    "arrow_up",
    "arrow_down",
    "arrow_left",
    "arrow_right",
    "arrow_divide",
    "arrow_join",
    "arrow_switch",
    "arrow_turn_left",
    "arrow_turn_right",
    "wall",
    "emotion_smile",
    "emotion_grin",
    "emotion_wink",
    "emoticon_oops",
    "emotion_angry",
    "emotion_too_sad",
    "cake",
    "steering",
    "anchor",
    "find",
    "chart_bar",
    "chart_pie",
    "chart_up",
    "chart_down",
    "milestone",
    "bomb",
    "ax",
    "sword",
    "crown",
    "heraldic_cross",
    "award",
    "rosette",
    "light_on",
    "light_off",
    "balance",
    "unbalance",
    "home",
    "shop",
    "money",
    "basket",
    "books",
    "book_open",
    "blackboard",
    "film",
    "music",
    "sound",
    "sport",
    "pill",
    "measure",
    "mathematics",
    "computer",
    "laptop",
    "tablet",
    "server",
    "database",
    "phone",
    "camera",
    "email",
    "attach",
    "mail",
    "bug",
    "shield",
    "puzzle",
    "construction",
    "roadworks",
    "dead_end",
    "traffic_lights",
    "recycle",
    "calendar",
    "cloud",
};

struct RenamedResource {
    const char* iconName;
    const char* resourceName;
};

// The icons whose resource is not simply their name with "_32".
constexpr RenamedResource RenamedResources[] = {
    {"ok", "tick_32"},
    {"cancel", "cross_32"},
    {"todo", "cog_32"},
    {"create", "lightning_32"},
    {"favorite", "star_32"},
    {"greenflag", "flag_green_32"},
    {"yellowflag", "flag_yellow_32"},
    {"redflag", "flag_red_32"},
    {"user_group", "group_32"},
    {"thumbs_up", "thumb_up_32"},
    {"thumbs_down", "thumb_down_32"},
    {"tablet", "ipad_32"},
};

std::string resourceNameFor(const std::string& iconName)
{
    for (const RenamedResource& renamed : RenamedResources) {
        if (iconName == renamed.iconName) return renamed.resourceName;
    }
    return iconName + "_32";
}

void addRoundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius)
{
    constexpr double pi = std::numbers::pi;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -pi / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, pi / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, pi / 2, pi);
    cairo_arc(cr, x + radius, y + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

// The digit in a white rounded square with a black border.
void drawNumber(cairo_t* cr, int digit)
{
    addRoundedRectangle(cr, 3, 3, NumberIconSide - 6, NumberIconSide - 6, 5);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);

    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Helvetica Bold");
    pango_font_description_set_absolute_size(font, 22 * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_width(layout, NumberIconSide * PANGO_SCALE);
    pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
    pango_layout_set_text(layout, std::to_string(digit).c_str(), -1);
    // The text box is the image's bounds moved down by 3 points.
    cairo_move_to(cr, 0, 3);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
}

Image numberImage(int digit)
{
    Image image(NumberIconSide, NumberIconSide);
    if (image.isNull()) return image;
    {
        const CairoContext context(cairo_create(image.surface()));
        drawNumber(context.get(), digit);
    }
    cairo_surface_flush(image.surface());
    return image;
}

} // namespace

NamedDiagramIcons& NamedDiagramIcons::namedDiagramIcons()
{
    static NamedDiagramIcons icons;
    return icons;
}

NamedDiagramIcons::NamedDiagramIcons()
{
    initializeImages();
}

void NamedDiagramIcons::initializeImages()
{
    for (const char* iconName : IconNames) addImage(resourceNameFor(iconName), iconName);
    createNumberImages();
}

void NamedDiagramIcons::addImage(const std::string& resourceName, const std::string& iconName)
{
    StockIcons::instance().defineIcon(iconName, resourceName);
    _orderedIcons.push_back(iconName);
}

void NamedDiagramIcons::createNumberImages()
{
    for (int digit = 0; digit <= 9; ++digit) {
        const std::string iconName = "white." + std::to_string(digit);
        // Drawn with the first map that shows one: text drawing is costly to start.
        StockIcons::instance().defineRuntimeIcon(iconName,
                                                 std::function<Image()>([digit] { return numberImage(digit); }));
        _orderedIcons.push_back(iconName);
    }
}
