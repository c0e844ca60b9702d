#include "formats/TwkxNames.h"

#include "Utils/StringUtils.h"

#include <cstddef>

namespace {

constexpr std::string_view PenStyleNames[] = {"penCable",          "penSolidThick",   "penDouble",     "penSolidThin",
                                              "penWideCable",      "penDashedDouble", "penDashedThin", "penTapered",
                                              "penReverseTapered", "penAutoTapered"};
constexpr std::string_view PathStyleNames[] = {"bezier", "ortho", "straight"};
constexpr std::string_view ArrowStyleNames[] = {"none",       "singleArrow",  "filledArrow", "openArrow",    "inhibit",
                                                "openCircle", "filledCircle", "openDiamond", "filledDiamond"};
constexpr std::string_view BorderStyleNames[] = {"sbsRoundRect", "sbsHalfRound", "sbsDropRoundRect", "sbsEllipse",
                                                 "sbsRectangle", "sbsDiamond",   "sbsCloud",         "sbsNone"};
constexpr std::string_view TextAlignmentNames[] = {"center", "left", "right"};
constexpr std::string_view CallOutNames[] = {"none", "tapered", "line"};
constexpr std::string_view ConnectionStyleNames[] = {"centered", "baseline", "left-right"};
constexpr std::string_view LayoutModeNames[] = {"free", "strict-horizontal", "strict-vertical", "list", "top-down"};
constexpr std::string_view LayoutDirectionNames[] = {"auto",    "left",   "right",      "top",
                                                     "top-rtl", "bottom", "bottom-rtl", "manual"};
// Index 0 (no checkbox) has no name.
constexpr std::string_view CheckboxModeNames[] = {"", "checkbox", "progress", "roll-up-progress"};
constexpr std::string_view AutoNumberingStyleNames[] = {"disabled", "inside", "below"};
// Index 0 is no generator.
constexpr std::string_view GeneratorNames[] = {
    "", "TarnwickOSX", "TarnwickOSXN", "TarnwickTouch", "TarnwickWin32", "TarnwickAndroid"};

struct ElementTypeEntry {
    int32_t type;
    std::string_view name;
};
constexpr ElementTypeEntry ElementTypeNames[] = {
    {1, "node"}, {2, "crosslink"}, {4, "parent-relation"}, {8, "image"}, {16, "text"}};

// The name of the code, or the fallback for a code outside the table.
template <size_t N>
std::string_view nameAt(const std::string_view (&names)[N], int64_t code, std::string_view fallback = {})
{
    if (code < 0 || code >= static_cast<int64_t>(N)) return fallback;
    return names[static_cast<size_t>(code)];
}

// The index of the name, compared without letter case; an empty name is never found.
template <size_t N> std::optional<int32_t> indexOfName(const std::string_view (&names)[N], std::string_view name)
{
    if (name.empty()) return std::nullopt;
    for (size_t i = 0; i < N; ++i) {
        if (!names[i].empty() && asciiCaseInsensitiveEqual(names[i], name)) return static_cast<int32_t>(i);
    }
    return std::nullopt;
}

} // namespace

std::string_view PenStyleName(int32_t style)
{
    return nameAt(PenStyleNames, style);
}
std::optional<int32_t> PenStyleFromName(std::string_view name)
{
    return indexOfName(PenStyleNames, name);
}

std::string_view PathStyleName(int32_t style)
{
    return nameAt(PathStyleNames, style);
}
std::optional<int32_t> PathStyleFromName(std::string_view name)
{
    return indexOfName(PathStyleNames, name);
}

std::string_view ArrowStyleName(int32_t style)
{
    return nameAt(ArrowStyleNames, style);
}
std::optional<int32_t> ArrowStyleFromName(std::string_view name)
{
    return indexOfName(ArrowStyleNames, name);
}

std::string_view BorderStyleName(int32_t style)
{
    return nameAt(BorderStyleNames, style);
}
std::optional<int32_t> BorderStyleFromName(std::string_view name)
{
    return indexOfName(BorderStyleNames, name);
}

std::string_view TextAlignmentName(int32_t alignment)
{
    return nameAt(TextAlignmentNames, alignment);
}
std::optional<int32_t> TextAlignmentFromName(std::string_view name)
{
    return indexOfName(TextAlignmentNames, name);
}

std::string_view CallOutName(int64_t callOut)
{
    return nameAt(CallOutNames, callOut);
}
std::optional<int32_t> CallOutFromName(std::string_view name)
{
    return indexOfName(CallOutNames, name);
}

std::string_view ConnectionStyleName(int32_t style)
{
    return nameAt(ConnectionStyleNames, style);
}
std::optional<int32_t> ConnectionStyleFromName(std::string_view name)
{
    return indexOfName(ConnectionStyleNames, name);
}

std::string_view layoutModeName(int32_t mode)
{
    return nameAt(LayoutModeNames, mode);
}
int32_t LayoutModeFromName(std::string_view name)
{
    return indexOfName(LayoutModeNames, name).value_or(0);
}

std::string_view layoutDirectionName(int32_t direction)
{
    return nameAt(LayoutDirectionNames, direction, "auto");
}
int32_t LayoutDirectionFromName(std::string_view name, int32_t defaultDirection)
{
    return indexOfName(LayoutDirectionNames, name).value_or(defaultDirection);
}

std::string_view checkboxModeName(int32_t mode)
{
    return nameAt(CheckboxModeNames, mode);
}
int32_t CheckboxModeFromName(std::string_view name)
{
    return indexOfName(CheckboxModeNames, name).value_or(0);
}

std::string_view autoNumberingStyleName(int32_t style)
{
    return nameAt(AutoNumberingStyleNames, style, "disabled");
}
int32_t autoNumberingStyleFromName(std::string_view name)
{
    for (size_t i = 0; i < std::size(AutoNumberingStyleNames); ++i) {
        if (AutoNumberingStyleNames[i] == name) return static_cast<int32_t>(i);
    }
    return 0;
}

std::string_view ElementTypeName(int32_t type)
{
    if (type == 0) return {};
    for (const ElementTypeEntry& entry : ElementTypeNames) {
        if (entry.type == type) return entry.name;
    }
    return ElementTypeNames[0].name;
}

int32_t ElementTypeFromName(std::string_view name)
{
    if (name.empty()) return 0;
    for (const ElementTypeEntry& entry : ElementTypeNames) {
        if (asciiCaseInsensitiveEqual(entry.name, name)) return entry.type;
    }
    return 0;
}

std::string_view GeneratorName(int32_t generator)
{
    return nameAt(GeneratorNames, generator);
}
int32_t GeneratorFromName(std::string_view name)
{
    return indexOfName(GeneratorNames, name).value_or(0);
}
