#include "formats/TwkxNames.h"

#include "Utils/StringUtils.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::array<std::string_view, 10> PenStyleNames = {
    "penCable",        "penSolidThick", "penDouble", "penSolidThin",      "penWideCable",
    "penDashedDouble", "penDashedThin", "penTapered", "penReverseTapered", "penAutoTapered"};
constexpr std::array<std::string_view, 3> PathStyleNames = {"bezier", "ortho", "straight"};
constexpr std::array<std::string_view, 9> ArrowStyleNames = {"none",       "singleArrow",  "filledArrow",
                                                             "openArrow",  "inhibit",      "openCircle",
                                                             "filledCircle", "openDiamond", "filledDiamond"};
constexpr std::array<std::string_view, 8> BorderStyleNames = {"sbsRoundRect", "sbsHalfRound", "sbsDropRoundRect",
                                                              "sbsEllipse",   "sbsRectangle", "sbsDiamond",
                                                              "sbsCloud",     "sbsNone"};
constexpr std::array<std::string_view, 3> TextAlignmentNames = {"center", "left", "right"};
constexpr std::array<std::string_view, 3> CallOutNames = {"none", "tapered", "line"};
constexpr std::array<std::string_view, 3> ConnectionStyleNames = {"centered", "baseline", "left-right"};
constexpr std::array<std::string_view, 5> LayoutModeNames = {"free", "strict-horizontal", "strict-vertical", "list",
                                                             "top-down"};
constexpr std::array<std::string_view, 8> LayoutDirectionNames = {"auto",   "left",       "right", "top", "top-rtl",
                                                                  "bottom", "bottom-rtl", "manual"};
// Index 0 (no checkbox) has no name.
constexpr std::array<std::string_view, 4> CheckboxModeNames = {"", "checkbox", "progress", "roll-up-progress"};
constexpr std::array<std::string_view, 3> AutoNumberingStyleNames = {"disabled", "inside", "below"};
// Index 0 is no generator.
constexpr std::array<std::string_view, 6> GeneratorNames = {"",           "TarnwickOSX",   "TarnwickOSXN",
                                                            "TarnwickTouch", "TarnwickWin32", "TarnwickAndroid"};

struct ElementTypeEntry {
    int32_t type;
    std::string_view name;
};
constexpr std::array<ElementTypeEntry, 5> ElementTypeNames = {
    {{1, "node"}, {2, "crosslink"}, {4, "parent-relation"}, {8, "image"}, {16, "text"}}};


template <size_t N>
std::string_view nameAt(const std::array<std::string_view, N>& names, int64_t code)
{
    if (code < 0 || code >= static_cast<int64_t>(N)) return {};
    return names[static_cast<size_t>(code)];
}

// The index of the name, compared without letter case; an empty name is never found.
template <size_t N>
std::optional<int32_t> indexOfName(const std::array<std::string_view, N>& names, std::string_view name)
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

std::string_view LayoutModeName(int32_t mode)
{
    return nameAt(LayoutModeNames, mode);
}

int32_t LayoutModeFromName(std::string_view name)
{
    return indexOfName(LayoutModeNames, name).value_or(0);
}

std::string_view LayoutDirectionName(int32_t direction)
{
    if (direction < 1 || direction > 7) return LayoutDirectionNames[0];
    return LayoutDirectionNames[static_cast<size_t>(direction)];
}

int32_t LayoutDirectionFromName(std::string_view name, int32_t defaultDirection)
{
    return indexOfName(LayoutDirectionNames, name).value_or(defaultDirection);
}

std::string_view CheckboxModeName(int32_t mode)
{
    return nameAt(CheckboxModeNames, mode);
}

int32_t CheckboxModeFromName(std::string_view name)
{
    return indexOfName(CheckboxModeNames, name).value_or(0);
}

std::string_view AutoNumberingStyleName(int32_t style)
{
    if (style == 1 || style == 2) return AutoNumberingStyleNames[static_cast<size_t>(style)];
    return AutoNumberingStyleNames[0];
}

int32_t AutoNumberingStyleFromName(std::string_view name)
{
    for (size_t i = 0; i < AutoNumberingStyleNames.size(); ++i) {
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
