#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The names in which the native document spells the model's enumerations. Writing a code without
// a name gives the empty name, which the attribute writers leave out. Reading compares without
// regard to letter case (ASCII), except for the auto-numbering styles; the *FromName functions
// that answer an optional leave the property unset for an unknown or empty name.

// Line styles 0..9: "penCable" ... "penAutoTapered".
std::string_view PenStyleName(int32_t style);
std::optional<int32_t> PenStyleFromName(std::string_view name);

// Relation path styles 0..2: "bezier", "ortho", "straight".
std::string_view PathStyleName(int32_t style);
std::optional<int32_t> PathStyleFromName(std::string_view name);

// Arrow styles 0..8: "none" ... "filledDiamond".
std::string_view ArrowStyleName(int32_t style);
std::optional<int32_t> ArrowStyleFromName(std::string_view name);

// Node border styles 0..7: "sbsRoundRect" ... "sbsNone".
std::string_view BorderStyleName(int32_t style);
std::optional<int32_t> BorderStyleFromName(std::string_view name);

// Text alignments 0..2: "center", "left", "right".
std::string_view TextAlignmentName(int32_t alignment);
std::optional<int32_t> TextAlignmentFromName(std::string_view name);

// Call-outs 0..2: "none", "tapered", "line".
std::string_view CallOutName(int64_t callOut);
std::optional<int32_t> CallOutFromName(std::string_view name);

// Connection styles 0..2: "centered", "baseline", "left-right".
std::string_view ConnectionStyleName(int32_t style);
std::optional<int32_t> ConnectionStyleFromName(std::string_view name);

// Layout modes 0..4: "free", "strict-horizontal", "strict-vertical", "list", "top-down". An
// unknown name reads as 0.
std::string_view layoutModeName(int32_t mode);
int32_t LayoutModeFromName(std::string_view name);

// Layout directions 1..7: "left", "right", "top", "top-rtl", "bottom", "bottom-rtl", "manual";
// every other code is written "auto" (0). An unknown or empty name reads as the given default
// (the default direction of the node's layout mode).
std::string_view layoutDirectionName(int32_t direction);
int32_t LayoutDirectionFromName(std::string_view name, int32_t defaultDirection);

// Checkbox modes 1..3: "checkbox", "progress", "roll-up-progress"; 0 (none) has no name. An
// unknown name reads as 0.
std::string_view checkboxModeName(int32_t mode);
int32_t CheckboxModeFromName(std::string_view name);

// Auto-numbering styles: 1 "inside", 2 "below", anything else "disabled". Reading compares
// exactly; an unknown name reads as 0.
std::string_view autoNumberingStyleName(int32_t style);
int32_t autoNumberingStyleFromName(std::string_view name);

// Element type bits: 1 "node", 2 "crosslink", 4 "parent-relation", 8 "image", 16 "text"; 0 is
// the empty name and any other value is written "node". An unknown name reads as 0.
std::string_view ElementTypeName(int32_t type);
int32_t ElementTypeFromName(std::string_view name);

// Generators: 1 "TarnwickOSX", 2 "TarnwickOSXN", 3 "TarnwickTouch", 4 "TarnwickWin32",
// 5 "TarnwickAndroid"; any other code writes the empty name. An unknown name reads as 0.
std::string_view GeneratorName(int32_t generator);
int32_t GeneratorFromName(std::string_view name);
