#include "Utils/UserDefaultsFont.h"

void setFont(UserDefaults& defaults, const Font& font, const std::string& key)
{
    defaults.setString(key, font.description());
}

std::optional<Font> fontForKey(const UserDefaults& defaults, const std::string& key)
{
    const PropertyList value = defaults.objectForKey(key);
    if (value.type() != PropertyList::Type::String) return std::nullopt;
    const std::string text = value.stringValue();
    if (text.empty()) return std::nullopt;
    bool ok = false;
    Font font = Font::fromDescription(text, &ok);
    // A description without a family or a usable size is not a font the user chose.
    if (!ok || font.familyName().empty() || !(font.pointSize() > 0)) return std::nullopt;
    return font;
}
