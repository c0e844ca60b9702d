#pragma once

#include "editor-view/EditorEvents.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A key of the canvas bound to a command: the key value, the modifiers held with it exactly, and
// the command's name as the editor's actions name it ("insertTab:").
struct EditorKeyBinding {
    uint32_t keyValue = 0;
    unsigned modifiers = 0;
    const char* command = "";
};

// What the canvas's keys do while no text view has them: each key value and modifiers to one
// command. Keys of the keypad stand for the keys they share a name with (KP_Enter acts as
// Return, the keypad's arrows as the arrows).
class EditorKeyBindings {
public:
    // A binding claimed twice keeps its first command.
    explicit EditorKeyBindings(const std::vector<EditorKeyBinding>& bindings);

    // Tab, Return, the arrows, the page keys, the delete keys, Escape and the zoom keys.
    static const EditorKeyBindings& standard();
    static const std::vector<EditorKeyBinding>& standardBindings();

    // The command bound to the key; none for a key without binding.
    std::optional<std::string> commandForKey(const KeyEvent& event) const;

    // The keypad's own key value for a key of the main keyboard it stands for, else the value.
    static uint32_t normalizedKeyValue(uint32_t keyValue);
    // The indexes of bindings that claim a key and modifiers an earlier binding claimed.
    static std::vector<size_t> duplicates(const std::vector<EditorKeyBinding>& bindings);

private:
    std::map<std::pair<uint32_t, unsigned>, std::string> _commands;
};
