// The X headers stay in this file: their names (Font, Window) clash with the program's own.
#include "support/KeyboardTyping.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <optional>
#include <vector>

namespace {

// A connection of its own, open for the life of the process: the keys it sends reach the window
// with the server's focus, whoever sends them.
Display* display()
{
    static Display* connection = XOpenDisplay(nullptr);
    return connection;
}

struct Key {
    KeyCode code = 0;
    bool shifted = false;
};

// The key and level of the keysym, on the first two levels only: a third level needs a modifier
// that differs between maps.
std::optional<Key> keyOf(KeySym keysym)
{
    Display* x = display();
    int minimum = 0, maximum = 0, perCode = 0;
    XDisplayKeycodes(x, &minimum, &maximum);
    KeySym* map = XGetKeyboardMapping(x, KeyCode(minimum), maximum - minimum + 1, &perCode);
    std::optional<Key> found;
    for (int code = minimum; code <= maximum && !found; ++code)
        for (int level = 0; level < std::min(perCode, 2) && !found; ++level)
            if (map[(code - minimum) * perCode + level] == keysym) found = Key{KeyCode(code), level == 1};
    XFree(map);
    return found;
}

// A key with no keysym on any level.
std::optional<KeyCode> spareKey()
{
    Display* x = display();
    int minimum = 0, maximum = 0, perCode = 0;
    XDisplayKeycodes(x, &minimum, &maximum);
    KeySym* map = XGetKeyboardMapping(x, KeyCode(minimum), maximum - minimum + 1, &perCode);
    std::optional<KeyCode> spare;
    // From the top: the low keys are the ones a keyboard has.
    for (int code = maximum; code >= minimum && !spare; --code) {
        bool empty = true;
        for (int level = 0; level < perCode; ++level)
            empty = empty && map[(code - minimum) * perCode + level] == NoSymbol;
        if (empty) spare = KeyCode(code);
    }
    XFree(map);
    return spare;
}

} // namespace

namespace KeyboardTyping {

unsigned long keysymOf(char32_t character)
{
    // Latin-1 keysyms are the characters' own numbers; the others are Unicode's, marked.
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff)) return character;
    if (character == '\n') return XK_Return;
    if (character == '\t') return XK_Tab;
    return 0x01000000 | character;
}

bool mapCharacters(const std::u32string& text, std::string& failure)
{
    Display* x = display();
    if (!x) {
        failure = "no display";
        return false;
    }
    for (char32_t character : text) {
        const KeySym keysym = keysymOf(character);
        if (keyOf(keysym)) continue;
        const std::optional<KeyCode> spare = spareKey();
        if (!spare) {
            failure = "the keyboard map has no spare key";
            return false;
        }
        // On both levels, so that Shift does not matter.
        KeySym levels[] = {keysym, keysym};
        XChangeKeyboardMapping(x, *spare, 2, levels, 1);
        XSync(x, False);
    }
    return true;
}

bool typeCharacter(char32_t character)
{
    Display* x = display();
    const std::optional<Key> key = x ? keyOf(keysymOf(character)) : std::nullopt;
    if (!key) return false;
    const KeyCode shift = XKeysymToKeycode(x, XK_Shift_L);
    if (key->shifted) XTestFakeKeyEvent(x, shift, True, CurrentTime);
    XTestFakeKeyEvent(x, key->code, True, CurrentTime);
    XTestFakeKeyEvent(x, key->code, False, CurrentTime);
    if (key->shifted) XTestFakeKeyEvent(x, shift, False, CurrentTime);
    XSync(x, False);
    return true;
}

} // namespace KeyboardTyping
