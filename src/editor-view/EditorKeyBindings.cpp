#include "editor-view/EditorKeyBindings.h"

#include <set>

namespace {

// The keypad's keys without Num Lock, and the keys they act as.
constexpr std::pair<uint32_t, uint32_t> KeypadKeys[] = {
    {0xff8d, KeyValues::Return},   // KP_Enter
    {0xff95, KeyValues::Home},     // KP_Home
    {0xff96, KeyValues::Left},     // KP_Left
    {0xff97, KeyValues::Up},       // KP_Up
    {0xff98, KeyValues::Right},    // KP_Right
    {0xff99, KeyValues::Down},     // KP_Down
    {0xff9a, KeyValues::PageUp},   // KP_Page_Up
    {0xff9b, KeyValues::PageDown}, // KP_Page_Down
    {0xff9c, KeyValues::End},      // KP_End
    {0xff9f, KeyValues::Delete},   // KP_Delete
};

// A symbol (below the function keys) is typed with Shift on many layouts: Shift does not tell
// "+" from another key.
bool shiftTypesIt(uint32_t keyValue)
{
    return keyValue < 0xff00;
}

} // namespace

EditorKeyBindings::EditorKeyBindings(const std::vector<EditorKeyBinding>& bindings)
{
    for (const EditorKeyBinding& binding : bindings)
        _commands.emplace(std::make_pair(normalizedKeyValue(binding.keyValue), binding.modifiers), binding.command);
}

const std::vector<EditorKeyBinding>& EditorKeyBindings::standardBindings()
{
    static const std::vector<EditorKeyBinding> bindings = {
        {KeyValues::Tab, 0, "insertTab:"},
        {KeyValues::Return, 0, "insertNewline:"},
        {KeyValues::Return, ShiftModifier, "insertLineBreak:"},
        {KeyValues::Up, 0, "moveUp:"},
        {KeyValues::Down, 0, "moveDown:"},
        {KeyValues::Left, 0, "moveLeft:"},
        {KeyValues::Right, 0, "moveRight:"},
        {KeyValues::PageUp, 0, "scrollPageUp:"},
        {KeyValues::PageDown, 0, "scrollPageDown:"},
        {KeyValues::Home, 0, "scrollToBeginningOfDocument:"},
        {KeyValues::End, 0, "scrollToEndOfDocument:"},
        {KeyValues::BackSpace, 0, "deleteBackward:"},
        {KeyValues::Delete, 0, "deleteForward:"},
        {KeyValues::BackSpace, AltModifier, "deleteWordBackward:"},
        {KeyValues::BackSpace, ControlModifier, "deleteWordBackward:"},
        {KeyValues::Escape, 0, "cancelOperation:"},
        {KeyValues::Plus, ControlModifier, "zoomIn:"},
        {KeyValues::Equal, ControlModifier, "zoomIn:"},
        {KeyValues::KeypadAdd, ControlModifier, "zoomIn:"},
        {KeyValues::Minus, ControlModifier, "zoomOut:"},
        {KeyValues::KeypadSubtract, ControlModifier, "zoomOut:"},
        {KeyValues::Digit0, ControlModifier, "zoomActualSize:"},
        {KeyValues::Keypad0, ControlModifier, "zoomActualSize:"},
    };
    return bindings;
}

const EditorKeyBindings& EditorKeyBindings::standard()
{
    static const EditorKeyBindings bindings(standardBindings());
    return bindings;
}

uint32_t EditorKeyBindings::normalizedKeyValue(uint32_t keyValue)
{
    for (const auto& [keypad, main] : KeypadKeys)
        if (keyValue == keypad) return main;
    return keyValue;
}

std::optional<std::string> EditorKeyBindings::commandForKey(const KeyEvent& event) const
{
    const uint32_t key = normalizedKeyValue(event.keyValue);
    auto found = _commands.find({key, event.modifiers});
    if (found == _commands.end() && shiftTypesIt(key) && (event.modifiers & ShiftModifier))
        found = _commands.find({key, event.modifiers & ~unsigned(ShiftModifier)});
    if (found == _commands.end()) return std::nullopt;
    return found->second;
}

std::vector<size_t> EditorKeyBindings::duplicates(const std::vector<EditorKeyBinding>& bindings)
{
    std::set<std::pair<uint32_t, unsigned>> seen;
    std::vector<size_t> repeated;
    for (size_t i = 0; i < bindings.size(); ++i)
        if (!seen.emplace(normalizedKeyValue(bindings[i].keyValue), bindings[i].modifiers).second)
            repeated.push_back(i);
    return repeated;
}
