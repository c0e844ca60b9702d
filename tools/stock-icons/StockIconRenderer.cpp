// Renders the stock icon pictures listed in a table into PNG files, at build time.
//
//     tarnwick_stock_icon_renderer <table> <output folder>
//
// Each line of the table names a resource pattern ("%" stands for the size), the sizes in pixels
// (comma-separated) and the picture: "emoji <text> [hue=<degrees>] [grey] [rotate=<degrees>]
// [badge=<text>]" draws emoji of the Noto Color Emoji font; the other kinds are drawn here.

#include "platform/CairoGuard.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* EmojiFamily = "Noto Color Emoji";
// Emoji are drawn at this size first and then reduced, which keeps their bitmaps smooth.
constexpr double EmojiReferenceSize = 128;
// The empty border around every picture, as a share of its side.
constexpr double Margin = 1.0 / 24;

struct Color {
    double r, g, b;
};

Color hexColor(const std::string& hex)
{
    if (hex.size() != 6) throw std::runtime_error("colour needs six hexadecimal digits: " + hex);
    const unsigned long value = std::stoul(hex, nullptr, 16);
    return {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0};
}

Color mix(Color a, Color b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double luminance(Color c)
{
    return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
}

void setColor(cairo_t* cr, Color c, double alpha = 1)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

const Color Outline = {0.2, 0.2, 0.2};
const Color White = {1, 1, 1};
const Color Black = {0, 0, 0};

// ---- pixels ----

template <class Transform> void transformPixels(cairo_surface_t* surface, Transform transform)
{
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            const uint32_t alpha = row[x] >> 24;
            if (alpha == 0) continue;
            Color c = {((row[x] >> 16) & 0xFF) / double(alpha), ((row[x] >> 8) & 0xFF) / double(alpha),
                       (row[x] & 0xFF) / double(alpha)};
            c = transform(c);
            const auto channel = [alpha](double v) { return uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * alpha)); };
            row[x] = (alpha << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
        }
    }
    cairo_surface_mark_dirty(surface);
}

Color rotateHue(Color c, double degrees)
{
    const double maxValue = std::max({c.r, c.g, c.b});
    const double minValue = std::min({c.r, c.g, c.b});
    const double lightness = (maxValue + minValue) / 2;
    const double delta = maxValue - minValue;
    if (delta < 1e-6) return c;
    const double saturation = delta / (1 - std::fabs(2 * lightness - 1));
    double hue;
    if (maxValue == c.r) hue = std::fmod((c.g - c.b) / delta + 6, 6);
    else if (maxValue == c.g) hue = (c.b - c.r) / delta + 2;
    else hue = (c.r - c.g) / delta + 4;
    hue = std::fmod(hue * 60 + degrees + 360, 360) / 60;
    const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
    const double second = chroma * (1 - std::fabs(std::fmod(hue, 2) - 1));
    Color out{0, 0, 0};
    switch (int(hue)) {
    case 0:
        out = {chroma, second, 0};
        break;
    case 1:
        out = {second, chroma, 0};
        break;
    case 2:
        out = {0, chroma, second};
        break;
    case 3:
        out = {0, second, chroma};
        break;
    case 4:
        out = {second, 0, chroma};
        break;
    default:
        out = {chroma, 0, second};
        break;
    }
    const double m = lightness - chroma / 2;
    return {out.r + m, out.g + m, out.b + m};
}

// ---- emoji ----

PangoLayout* emojiLayout(cairo_t* cr, const std::string& text)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string(EmojiFamily);
    pango_font_description_set_absolute_size(font, EmojiReferenceSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

// The emoji drawn at the reference size, cropped to its ink.
CairoSurface emojiSurface(const std::string& text)
{
    PangoRectangle ink;
    {
        const CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
        const CairoContext measure(cairo_create(scratch.get()));
        PangoLayout* layout = emojiLayout(measure.get(), text);
        pango_layout_get_pixel_extents(layout, &ink, nullptr);
        g_object_unref(layout);
    }
    if (ink.width <= 0 || ink.height <= 0) throw std::runtime_error("nothing to draw for " + text);

    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, ink.width, ink.height));
    const CairoContext cr(cairo_create(surface.get()));
    PangoLayout* layout = emojiLayout(cr.get(), text);
    cairo_move_to(cr.get(), -ink.x, -ink.y);
    pango_cairo_show_layout(cr.get(), layout);
    g_object_unref(layout);
    return surface;
}

// Draws a surface fitted into the box (x, y, side x side), centred, turned by degrees.
void drawFitted(cairo_t* cr, cairo_surface_t* picture, double x, double y, double side, double degrees)
{
    const double width = cairo_image_surface_get_width(picture);
    const double height = cairo_image_surface_get_height(picture);
    const double angle = degrees * M_PI / 180;
    const double turnedWidth = std::fabs(width * std::cos(angle)) + std::fabs(height * std::sin(angle));
    const double turnedHeight = std::fabs(width * std::sin(angle)) + std::fabs(height * std::cos(angle));
    const double scale = side / std::max(turnedWidth, turnedHeight);
    cairo_save(cr);
    cairo_translate(cr, x + side / 2, y + side / 2);
    cairo_rotate(cr, angle);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, picture, -width / 2, -height / 2);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void drawEmoji(cairo_t* cr, int size, const std::vector<std::string>& args)
{
    if (args.empty()) throw std::runtime_error("emoji without text");
    const CairoSurface picture = emojiSurface(args[0]);
    double rotation = 0;
    std::string badge;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option.rfind("hue=", 0) == 0) {
            const double degrees = std::stod(option.substr(4));
            transformPixels(picture.get(), [degrees](Color c) { return rotateHue(c, degrees); });
        } else if (option == "grey") {
            transformPixels(picture.get(), [](Color c) {
                const double grey = 0.35 + 0.5 * luminance(c);
                return Color{grey, grey, grey};
            });
        } else if (option.rfind("rotate=", 0) == 0) {
            rotation = std::stod(option.substr(7));
        } else if (option.rfind("badge=", 0) == 0) {
            badge = option.substr(6);
        } else {
            throw std::runtime_error("unknown emoji option " + option);
        }
    }
    const double margin = size * Margin;
    drawFitted(cr, picture.get(), margin, margin, size - 2 * margin, rotation);
    if (!badge.empty()) {
        const CairoSurface small = emojiSurface(badge);
        const double side = size * 0.55;
        drawFitted(cr, small.get(), size - side - margin / 2, size - side - margin / 2, side, 0);
    }
}

// ---- drawn pictures, in a unit square ----

void outline(cairo_t* cr, double width = 0.03)
{
    setColor(cr, Outline);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void fillAndOutline(cairo_t* cr, Color fill, double width = 0.03)
{
    setColor(cr, fill);
    cairo_fill_preserve(cr);
    outline(cr, width);
}

void ellipse(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
}

void roundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// Bold text centred on (cx, cy), its ink height a share of the unit square. The text is laid out
// in device space, at the pixel size it is shown at, so that fonts are hinted for that size.
void centredText(cairo_t* cr, const std::string& text, double cx, double cy, double height, Color color)
{
    double deviceX = cx, deviceY = cy, deviceHeight = height, unused = 0;
    cairo_user_to_device(cr, &deviceX, &deviceY);
    cairo_user_to_device_distance(cr, &unused, &deviceHeight);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans Bold");
    const auto inkFor = [&](double fontSize) {
        pango_font_description_set_absolute_size(font, fontSize * PANGO_SCALE);
        pango_layout_set_font_description(layout, font);
        pango_layout_set_text(layout, text.c_str(), -1);
        PangoRectangle ink;
        pango_layout_get_extents(layout, &ink, nullptr);
        return ink;
    };
    const PangoRectangle trial = inkFor(100);
    const PangoRectangle ink = inkFor(100 * deviceHeight / std::max(trial.height, 1) * PANGO_SCALE);
    pango_font_description_free(font);
    cairo_move_to(cr, deviceX - (ink.x + ink.width / 2.0) / PANGO_SCALE,
                  deviceY - (ink.y + ink.height / 2.0) / PANGO_SCALE);
    setColor(cr, color);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    cairo_restore(cr);
}

void drawHat(cairo_t* cr, const std::vector<std::string>& args)
{
    const Color color = hexColor(args.at(0));
    const Color band = luminance(color) < 0.2 ? Color{0.55, 0.55, 0.55} : mix(color, Black, 0.45);
    ellipse(cr, 0.5, 0.78, 0.45, 0.1);
    fillAndOutline(cr, color);
    cairo_move_to(cr, 0.27, 0.2);
    cairo_line_to(cr, 0.29, 0.78);
    cairo_curve_to(cr, 0.35, 0.84, 0.65, 0.84, 0.71, 0.78);
    cairo_line_to(cr, 0.73, 0.2);
    cairo_close_path(cr);
    fillAndOutline(cr, color);
    cairo_move_to(cr, 0.283, 0.6);
    cairo_line_to(cr, 0.29, 0.74);
    cairo_curve_to(cr, 0.35, 0.8, 0.65, 0.8, 0.71, 0.74);
    cairo_line_to(cr, 0.717, 0.6);
    cairo_curve_to(cr, 0.65, 0.66, 0.35, 0.66, 0.283, 0.6);
    cairo_close_path(cr);
    fillAndOutline(cr, band, 0.02);
    ellipse(cr, 0.5, 0.2, 0.23, 0.06);
    fillAndOutline(cr, mix(color, White, 0.25));
}

void drawDisc(cairo_t* cr, const std::vector<std::string>& args)
{
    ellipse(cr, 0.5, 0.5, 0.45, 0.45);
    setColor(cr, hexColor(args.at(0)));
    cairo_fill(cr);
    centredText(cr, args.at(1), 0.5, 0.5, 0.46, White);
}

void arrowHead(cairo_t* cr, double x, double y, double angle)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, 0.06, 0);
    cairo_line_to(cr, -0.14, -0.12);
    cairo_line_to(cr, -0.14, 0.12);
    cairo_close_path(cr);
    cairo_restore(cr);
    cairo_fill(cr);
}

void branchingArrows(cairo_t* cr, bool joining)
{
    const Color blue = hexColor("1e88e5");
    setColor(cr, blue);
    cairo_set_line_width(cr, 0.1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    // The single arm on one side, the two on the other; joining mirrors dividing.
    if (joining) {
        cairo_translate(cr, 1, 0);
        cairo_scale(cr, -1, 1);
    }
    cairo_move_to(cr, 0.06, 0.5);
    cairo_line_to(cr, 0.42, 0.5);
    cairo_stroke(cr);
    for (double direction : {-1.0, 1.0}) {
        cairo_move_to(cr, 0.4, 0.5);
        cairo_curve_to(cr, 0.55, 0.5, 0.6, 0.5 + 0.3 * direction, 0.78, 0.5 + 0.3 * direction);
        cairo_stroke(cr);
    }
    if (joining) {
        arrowHead(cr, 0.08, 0.5, M_PI);
    } else {
        arrowHead(cr, 0.86, 0.2, 0);
        arrowHead(cr, 0.86, 0.8, 0);
    }
}

void drawPie(cairo_t* cr, const std::vector<std::string>&)
{
    struct Slice {
        double from, to;
        const char* color;
    };
    const Slice slices[] = {{0, 0.42, "e53935"}, {0.42, 0.74, "1e88e5"}, {0.74, 1, "fdd835"}};
    for (const Slice& slice : slices) {
        const double start = slice.from * 2 * M_PI - M_PI / 2;
        const double end = slice.to * 2 * M_PI - M_PI / 2;
        // The first slice stands out a little.
        const double lift = slice.from == 0 ? 0.05 : 0;
        const double middle = (start + end) / 2;
        const double cx = 0.5 + lift * std::cos(middle) - 0.02;
        const double cy = 0.5 + lift * std::sin(middle) + 0.02;
        cairo_move_to(cr, cx, cy);
        cairo_arc(cr, cx, cy, 0.4, start, end);
        cairo_close_path(cr);
        setColor(cr, hexColor(slice.color));
        cairo_fill_preserve(cr);
        setColor(cr, White);
        cairo_set_line_width(cr, 0.025);
        cairo_stroke(cr);
    }
}

void drawBlackboard(cairo_t* cr, const std::vector<std::string>&)
{
    const Color wood = hexColor("8d6e63");
    setColor(cr, wood);
    cairo_set_line_width(cr, 0.05);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 0.25, 0.7);
    cairo_line_to(cr, 0.15, 0.95);
    cairo_move_to(cr, 0.75, 0.7);
    cairo_line_to(cr, 0.85, 0.95);
    cairo_stroke(cr);
    roundedRectangle(cr, 0.05, 0.1, 0.9, 0.66, 0.04);
    fillAndOutline(cr, wood);
    cairo_rectangle(cr, 0.11, 0.16, 0.78, 0.54);
    setColor(cr, hexColor("2e7d32"));
    cairo_fill(cr);
    centredText(cr, "a+b", 0.5, 0.43, 0.22, White);
}

void drawDatabase(cairo_t* cr, const std::vector<std::string>&)
{
    const Color body = hexColor("546e7a");
    const Color light = hexColor("90a4ae");
    cairo_move_to(cr, 0.18, 0.2);
    cairo_line_to(cr, 0.18, 0.8);
    cairo_curve_to(cr, 0.18, 0.93, 0.82, 0.93, 0.82, 0.8);
    cairo_line_to(cr, 0.82, 0.2);
    cairo_close_path(cr);
    fillAndOutline(cr, body);
    for (double y : {0.4, 0.6}) {
        cairo_move_to(cr, 0.18, y);
        cairo_curve_to(cr, 0.18, y + 0.13, 0.82, y + 0.13, 0.82, y);
        setColor(cr, light);
        cairo_set_line_width(cr, 0.03);
        cairo_stroke(cr);
    }
    ellipse(cr, 0.5, 0.2, 0.32, 0.1);
    fillAndOutline(cr, light);
}

void drawServer(cairo_t* cr, const std::vector<std::string>&)
{
    for (int unit = 0; unit < 3; ++unit) {
        const double y = 0.1 + unit * 0.28;
        roundedRectangle(cr, 0.14, y, 0.72, 0.24, 0.04);
        fillAndOutline(cr, hexColor("455a64"));
        ellipse(cr, 0.74, y + 0.12, 0.04, 0.04);
        setColor(cr, hexColor("66bb6a"));
        cairo_fill(cr);
        setColor(cr, hexColor("b0bec5"));
        cairo_set_line_width(cr, 0.03);
        for (double x : {0.24, 0.32, 0.4}) {
            cairo_move_to(cr, x, y + 0.06);
            cairo_line_to(cr, x, y + 0.18);
        }
        cairo_stroke(cr);
    }
}

void drawLighthouse(cairo_t* cr, const std::vector<std::string>&)
{
    const Color yellow = hexColor("fdd835");
    const Color red = hexColor("e53935");
    // Light beams.
    cairo_move_to(cr, 0.5, 0.21);
    cairo_line_to(cr, 0.02, 0.08);
    cairo_line_to(cr, 0.02, 0.34);
    cairo_close_path(cr);
    cairo_move_to(cr, 0.5, 0.21);
    cairo_line_to(cr, 0.98, 0.08);
    cairo_line_to(cr, 0.98, 0.34);
    cairo_close_path(cr);
    setColor(cr, yellow, 0.55);
    cairo_fill(cr);
    // Rock and sea.
    ellipse(cr, 0.5, 0.92, 0.42, 0.07);
    fillAndOutline(cr, hexColor("1e88e5"));
    // Tower in red and white bands.
    const double top = 0.32, bottom = 0.9;
    for (int band = 0; band < 4; ++band) {
        const double y0 = top + (bottom - top) * band / 4;
        const double y1 = top + (bottom - top) * (band + 1) / 4;
        const auto half = [&](double y) { return 0.09 + 0.08 * (y - top) / (bottom - top); };
        cairo_move_to(cr, 0.5 - half(y0), y0);
        cairo_line_to(cr, 0.5 + half(y0), y0);
        cairo_line_to(cr, 0.5 + half(y1), y1);
        cairo_line_to(cr, 0.5 - half(y1), y1);
        cairo_close_path(cr);
        setColor(cr, band % 2 ? White : red);
        cairo_fill(cr);
    }
    cairo_move_to(cr, 0.41, top);
    cairo_line_to(cr, 0.59, top);
    cairo_line_to(cr, 0.67, bottom);
    cairo_line_to(cr, 0.33, bottom);
    cairo_close_path(cr);
    outline(cr);
    // Gallery, lantern and roof.
    cairo_rectangle(cr, 0.36, 0.29, 0.28, 0.04);
    fillAndOutline(cr, hexColor("37474f"), 0.02);
    cairo_rectangle(cr, 0.42, 0.15, 0.16, 0.14);
    fillAndOutline(cr, yellow, 0.02);
    cairo_move_to(cr, 0.38, 0.15);
    cairo_line_to(cr, 0.5, 0.05);
    cairo_line_to(cr, 0.62, 0.15);
    cairo_close_path(cr);
    fillAndOutline(cr, red, 0.02);
}

void drawFunnel(cairo_t* cr, const std::vector<std::string>&)
{
    cairo_move_to(cr, 0.1, 0.18);
    cairo_line_to(cr, 0.9, 0.18);
    cairo_line_to(cr, 0.58, 0.56);
    cairo_line_to(cr, 0.58, 0.84);
    cairo_line_to(cr, 0.42, 0.94);
    cairo_line_to(cr, 0.42, 0.56);
    cairo_close_path(cr);
    fillAndOutline(cr, hexColor("1e88e5"));
    ellipse(cr, 0.5, 0.18, 0.4, 0.07);
    fillAndOutline(cr, hexColor("90caf9"));
}

void drawSwissKnife(cairo_t* cr, const std::vector<std::string>&)
{
    cairo_translate(cr, 0.5, 0.5);
    cairo_rotate(cr, -30 * M_PI / 180);
    cairo_scale(cr, 1.2, 1.2);
    cairo_translate(cr, -0.45, -0.5);
    // The blade, opened.
    cairo_move_to(cr, 0.62, 0.42);
    cairo_line_to(cr, 0.98, 0.3);
    cairo_curve_to(cr, 0.96, 0.4, 0.85, 0.48, 0.64, 0.5);
    cairo_close_path(cr);
    fillAndOutline(cr, hexColor("cfd8dc"), 0.02);
    roundedRectangle(cr, 0.06, 0.4, 0.64, 0.22, 0.11);
    fillAndOutline(cr, hexColor("d32f2f"));
    setColor(cr, White);
    cairo_rectangle(cr, 0.33, 0.465, 0.1, 0.03);
    cairo_rectangle(cr, 0.365, 0.43, 0.03, 0.1);
    cairo_fill(cr);
}

void drawHeraldicCross(cairo_t* cr, const std::vector<std::string>&)
{
    // A cross whose arms widen towards their ends.
    for (int arm = 0; arm < 4; ++arm) {
        cairo_save(cr);
        cairo_translate(cr, 0.5, 0.5);
        cairo_rotate(cr, arm * M_PI / 2);
        cairo_move_to(cr, -0.07, 0);
        cairo_line_to(cr, -0.2, -0.44);
        cairo_curve_to(cr, -0.07, -0.4, 0.07, -0.4, 0.2, -0.44);
        cairo_line_to(cr, 0.07, 0);
        cairo_close_path(cr);
        cairo_restore(cr);
    }
    setColor(cr, hexColor("c62828"));
    cairo_fill_preserve(cr);
    setColor(cr, hexColor("f9a825"));
    cairo_set_line_width(cr, 0.04);
    cairo_stroke(cr);
}

void drawMindMap(cairo_t* cr, const std::vector<std::string>&)
{
    struct Branch {
        double x, y;
        const char* color;
    };
    const Branch branches[] = {
        {0.16, 0.2, "e53935"}, {0.84, 0.2, "43a047"}, {0.16, 0.8, "fb8c00"}, {0.84, 0.8, "8e24aa"}};
    cairo_set_line_width(cr, 0.05);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const Branch& branch : branches) {
        cairo_move_to(cr, 0.5, 0.5);
        cairo_curve_to(cr, branch.x, 0.5, 0.5, branch.y, branch.x, branch.y);
        setColor(cr, hexColor(branch.color));
        cairo_stroke(cr);
    }
    for (const Branch& branch : branches) {
        ellipse(cr, branch.x, branch.y, 0.13, 0.08);
        fillAndOutline(cr, hexColor(branch.color), 0.02);
    }
    ellipse(cr, 0.5, 0.5, 0.22, 0.14);
    fillAndOutline(cr, hexColor("1e88e5"), 0.03);
}

// The layout modes as small diagrams of topics and their lines: blue grey lines and outlines, which
// stand out from light and dark backgrounds alike, a blue root and light topics.
namespace layout {

const Color Line = {0.38, 0.49, 0.55};

void line(cairo_t* cr, std::initializer_list<std::pair<double, double>> points)
{
    bool first = true;
    for (const auto& [x, y] : points) {
        if (first) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
        first = false;
    }
    setColor(cr, Line);
    cairo_set_line_width(cr, 0.045);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void curve(cairo_t* cr, double x0, double y0, double x1, double y1, bool horizontal)
{
    cairo_move_to(cr, x0, y0);
    if (horizontal) cairo_curve_to(cr, (x0 + x1) / 2, y0, (x0 + x1) / 2, y1, x1, y1);
    else cairo_curve_to(cr, x0, (y0 + y1) / 2, x1, (y0 + y1) / 2, x1, y1);
    setColor(cr, Line);
    cairo_set_line_width(cr, 0.045);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

// A topic centred on (cx, cy).
void topic(cairo_t* cr, double cx, double cy, double w, double h, bool root)
{
    roundedRectangle(cr, cx - w / 2, cy - h / 2, w, h, std::min(w, h) / 2);
    setColor(cr, root ? hexColor("1e88e5") : hexColor("e3f2fd"));
    cairo_fill_preserve(cr);
    setColor(cr, root ? hexColor("1565c0") : Line);
    cairo_set_line_width(cr, 0.04);
    cairo_stroke(cr);
}

void freeForm(cairo_t* cr)
{
    const std::pair<double, double> children[] = {{0.2, 0.16}, {0.82, 0.26}, {0.14, 0.74}, {0.74, 0.86}};
    for (const auto& [x, y] : children) curve(cr, 0.5, 0.5, x, y, true);
    for (const auto& [x, y] : children) topic(cr, x, y, 0.3, 0.18, false);
    topic(cr, 0.5, 0.5, 0.44, 0.24, true);
}

void horizontal(cairo_t* cr)
{
    for (double y : {0.16, 0.5, 0.84}) curve(cr, 0.5, 0.5, 0.84, y, true);
    for (double y : {0.28, 0.72}) curve(cr, 0.5, 0.5, 0.16, y, true);
    for (double y : {0.16, 0.5, 0.84}) topic(cr, 0.84, y, 0.3, 0.18, false);
    for (double y : {0.28, 0.72}) topic(cr, 0.16, y, 0.3, 0.18, false);
    topic(cr, 0.5, 0.5, 0.36, 0.24, true);
}

void vertical(cairo_t* cr)
{
    for (double x : {0.16, 0.5, 0.84}) curve(cr, 0.5, 0.5, x, 0.86, false);
    for (double x : {0.28, 0.72}) curve(cr, 0.5, 0.5, x, 0.14, false);
    for (double x : {0.16, 0.5, 0.84}) topic(cr, x, 0.86, 0.28, 0.18, false);
    for (double x : {0.28, 0.72}) topic(cr, x, 0.14, 0.28, 0.18, false);
    topic(cr, 0.5, 0.5, 0.44, 0.22, true);
}

void list(cairo_t* cr)
{
    line(cr, {{0.16, 0.2}, {0.16, 0.8}});
    for (double y : {0.4, 0.6, 0.8}) line(cr, {{0.16, y}, {0.3, y}});
    line(cr, {{0.44, 0.6}, {0.44, 0.8}, {0.52, 0.8}});
    topic(cr, 0.32, 0.14, 0.56, 0.2, true);
    topic(cr, 0.56, 0.4, 0.52, 0.14, false);
    topic(cr, 0.56, 0.6, 0.52, 0.14, false);
    topic(cr, 0.74, 0.8, 0.44, 0.14, false);
}

void topDown(cairo_t* cr)
{
    line(cr, {{0.5, 0.2}, {0.5, 0.5}});
    line(cr, {{0.16, 0.78}, {0.16, 0.5}, {0.84, 0.5}, {0.84, 0.78}});
    line(cr, {{0.5, 0.5}, {0.5, 0.78}});
    topic(cr, 0.5, 0.18, 0.44, 0.22, true);
    for (double x : {0.16, 0.5, 0.84}) topic(cr, x, 0.8, 0.28, 0.2, false);
}

} // namespace layout

// A topic's call-out: none, a tapered pointer or a line from the topic down to what it points at.
void drawCallout(cairo_t* cr, const std::vector<std::string>& args)
{
    const std::string& kind = args.at(0);
    if (kind != "none" && kind != "tapered" && kind != "line") throw std::runtime_error("unknown call-out " + kind);
    const bool pointing = kind != "none";
    const double bottom = pointing ? 0.62 : 0.8;
    const double top = pointing ? 0.08 : 0.2;
    if (kind == "tapered") {
        cairo_move_to(cr, 0.26, bottom - 0.05);
        cairo_line_to(cr, 0.06, 0.96);
        cairo_line_to(cr, 0.5, bottom - 0.05);
        cairo_close_path(cr);
        setColor(cr, hexColor("e3f2fd"));
        cairo_fill_preserve(cr);
        setColor(cr, layout::Line);
        cairo_set_line_width(cr, 0.07);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    } else if (kind == "line") {
        layout::line(cr, {{0.3, bottom}, {0.06, 0.96}});
    }
    roundedRectangle(cr, 0.04, top, 0.92, bottom - top, 0.12);
    setColor(cr, hexColor("e3f2fd"));
    cairo_fill_preserve(cr);
    setColor(cr, layout::Line);
    cairo_set_line_width(cr, 0.07);
    cairo_stroke(cr);
}

void drawLayout(cairo_t* cr, const std::vector<std::string>& args)
{
    static const std::map<std::string, std::function<void(cairo_t*)>> modes = {
        {"free", layout::freeForm}, {"horizontal", layout::horizontal}, {"vertical", layout::vertical},
        {"list", layout::list},     {"top-down", layout::topDown},
    };
    const auto mode = modes.find(args.at(0));
    if (mode == modes.end()) throw std::runtime_error("unknown layout " + args.at(0));
    mode->second(cr);
}

// A cloud of three puffs on a flat base in the colour, outlined all round. The outline is stroked
// at twice its width first and the fill covers its inner half, so no line runs where puffs meet.
void drawCloud(cairo_t* cr, const std::vector<std::string>& args)
{
    const auto shape = [cr] {
        cairo_new_path(cr);
        cairo_arc(cr, 0.30, 0.60, 0.17, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0.52, 0.45, 0.23, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0.74, 0.60, 0.16, 0, 2 * M_PI);
        cairo_rectangle(cr, 0.30, 0.50, 0.44, 0.27);
    };
    shape();
    setColor(cr, Outline);
    cairo_set_line_width(cr, 0.12);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    shape();
    setColor(cr, hexColor(args.at(0)));
    cairo_fill(cr);
}

using Drawing = std::function<void(cairo_t*, const std::vector<std::string>&)>;

const std::map<std::string, Drawing>& drawings()
{
    static const std::map<std::string, Drawing> table = {
        {"hat", drawHat},
        {"disc", drawDisc},
        {"cloud", drawCloud},
        {"divide", [](cairo_t* cr, const std::vector<std::string>&) { branchingArrows(cr, false); }},
        {"join", [](cairo_t* cr, const std::vector<std::string>&) { branchingArrows(cr, true); }},
        {"pie", drawPie},
        {"blackboard", drawBlackboard},
        {"database", drawDatabase},
        {"server", drawServer},
        {"lighthouse", drawLighthouse},
        {"funnel", drawFunnel},
        {"swissknife", drawSwissKnife},
        {"heraldic-cross", drawHeraldicCross},
        {"mindmap", drawMindMap},
        {"layout", drawLayout},
        {"callout", drawCallout},
    };
    return table;
}

// ---- the table ----

struct Entry {
    int line;
    std::string pattern;
    std::vector<int> sizes;
    std::string kind;
    std::vector<std::string> args;
};

std::vector<Entry> readTable(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Entry> entries;
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::istringstream words(text);
        Entry entry;
        entry.line = line;
        std::string sizes;
        if (!(words >> entry.pattern) || entry.pattern[0] == '#') continue;
        if (!(words >> sizes >> entry.kind))
            throw std::runtime_error(path + ":" + std::to_string(line) + ": incomplete line");
        std::istringstream sizeList(sizes);
        for (std::string size; std::getline(sizeList, size, ',');) entry.sizes.push_back(std::stoi(size));
        for (std::string arg; words >> arg;) entry.args.push_back(arg);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Every "%" of the pattern stands for the size; "/" in a pattern makes sub-folders (the icon
// theme's "48x48/apps/...").
std::string resourceName(const std::string& pattern, int size)
{
    std::string name = pattern;
    const std::string number = std::to_string(size);
    for (size_t at = name.find('%'); at != std::string::npos; at = name.find('%', at + number.size()))
        name.replace(at, 1, number);
    return name;
}

void render(const Entry& entry, int size, const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));
    {
        const CairoContext context(cairo_create(surface.get()));
        cairo_t* cr = context.get();
        if (entry.kind == "emoji") {
            drawEmoji(cr, size, entry.args);
        } else {
            const auto drawing = drawings().find(entry.kind);
            if (drawing == drawings().end()) throw std::runtime_error("unknown picture kind " + entry.kind);
            const double margin = size * Margin;
            cairo_translate(cr, margin, margin);
            cairo_scale(cr, size - 2 * margin, size - 2 * margin);
            drawing->second(cr, entry.args);
        }
    }
    if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + path);
    }
}

// Without the emoji font the pictures would silently come out as empty boxes.
void requireEmojiFont()
{
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    PangoFontDescription* wanted = pango_font_description_from_string(EmojiFamily);
    pango_font_description_set_absolute_size(wanted, EmojiReferenceSize * PANGO_SCALE);
    PangoFont* font = pango_font_map_load_font(map, context, wanted);
    PangoFontDescription* found = font ? pango_font_describe(font) : nullptr;
    const std::string family = found ? pango_font_description_get_family(found) : "";
    if (found) pango_font_description_free(found);
    if (font) g_object_unref(font);
    pango_font_description_free(wanted);
    g_object_unref(context);
    if (family != EmojiFamily) {
        throw std::runtime_error("the font \"Noto Color Emoji\" is missing (Debian package fonts-noto-color-emoji)");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <table> <output folder>\n", argv[0]);
        return 2;
    }
    try {
        requireEmojiFont();
        int count = 0;
        for (const Entry& entry : readTable(argv[1])) {
            for (int size : entry.sizes) {
                try {
                    render(entry, size, std::string(argv[2]) + "/" + resourceName(entry.pattern, size) + ".png");
                } catch (const std::exception& e) {
                    throw std::runtime_error(std::string(argv[1]) + ":" + std::to_string(entry.line) + ": " + e.what());
                }
                ++count;
            }
        }
        std::printf("%d stock icon pictures rendered\n", count);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
