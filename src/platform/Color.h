#pragma once

#include <optional>

// A calibrated RGB colour with alpha, components 0..1.
//
// The one shared clear colour is told apart by a tag, not by its value: a colour that merely has
// alpha 0 is an ordinary colour and is written to documents as such.
class Color {
public:
    constexpr Color() = default;
    constexpr Color(double r, double g, double b, double a = 1.0) : _r(r), _g(g), _b(b), _a(a) {}

    static Color rgb255(int r, int g, int b, double a = 1.0) { return Color(r / 255.0, g / 255.0, b / 255.0, a); }
    static Color white() { return Color(1, 1, 1, 1); }
    static Color black() { return Color(0, 0, 0, 1); }

    // The shared normalised clear colour.
    static Color normalizedClearColor()
    {
        Color c(0, 0, 0, 0);
        c._normalizedClear = true;
        return c;
    }

    double red() const { return _r; }
    double green() const { return _g; }
    double blue() const { return _b; }
    double alpha() const { return _a; }

    bool isNormalizedClearColor() const { return _normalizedClear; }

    Color withAlpha(double a) const { return Color(_r, _g, _b, a); }

    // Component-wise equality; the shared clear colour equals only itself.
    friend bool operator==(const Color&, const Color&) = default;

private:
    double _r = 0, _g = 0, _b = 0, _a = 1;
    bool _normalizedClear = false;
};

inline bool isNormalizedClearColor(const std::optional<Color>& c)
{
    return c && c->isNormalizedClearColor();
}
