#pragma once

#include <string>

// A character as a user types it on the display's keyboard, through the server (XTest): its key
// is pressed and released, with Shift where the keyboard map has it on the shifted level. A
// character the map lacks is first put on a spare key of the map, as a tool that types does, and
// stays there for the rest of the process: the keyboard of a test display of the process's own.
// The server tells every client of the change; a test waits until its toolkit has it (see
// support/TypedText.h) before it types. In the test programs that have a display.
namespace KeyboardTyping {

// The keysym of a character, as X names it.
unsigned long keysymOf(char32_t character);
// Puts the characters the keyboard map lacks on spare keys; false with why, where none is spare.
bool mapCharacters(const std::u32string& text, std::string& failure);
// Presses and releases the character's key; false where the map does not have it.
bool typeCharacter(char32_t character);

} // namespace KeyboardTyping
