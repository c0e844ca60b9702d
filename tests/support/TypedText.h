#pragma once

#include "platform/MainLoop.h"
#include "support/KeyboardTyping.h"

#include <gdk/gdk.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

// Types the text on the display's keyboard, as a user would, into the window that has the
// server's focus: one character at a time, each once the toolkit's keyboard map has its key and
// once arrived(the text typed so far) holds for the one before. A busy machine then slows the
// typing down but changes nothing of what arrives, where keys sent at a pace, with a key lent to a
// character only while a tool typed it, lost the characters the toolkit read the map too late for.
inline ::testing::AssertionResult typeText(const std::string& text,
                                           const std::function<bool(const std::string& typedSoFar)>& arrived,
                                           double secondsForEach = 10)
{
    glong count = 0;
    gunichar* characters = g_utf8_to_ucs4_fast(text.c_str(), -1, &count);
    const std::u32string typed(characters, characters + count);
    g_free(characters);
    std::string failure;
    if (!KeyboardTyping::mapCharacters(typed, failure))
        return ::testing::AssertionFailure() << "\"" << text << "\" cannot be typed: " << failure;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    for (char32_t character : typed) {
        const auto known = [&] {
            GdkKeymapKey* keys = nullptr;
            gint found = 0;
            const bool has =
                gdk_keymap_get_entries_for_keyval(keymap, guint(KeyboardTyping::keysymOf(character)), &keys, &found);
            g_free(keys);
            return has && found > 0;
        };
        if (!MainLoop::runUntil(known, secondsForEach))
            return ::testing::AssertionFailure()
                << "the toolkit never learnt the key of U+" << std::hex << unsigned(character);
    }
    std::string soFar;
    for (char32_t character : typed) {
        if (!KeyboardTyping::typeCharacter(character))
            return ::testing::AssertionFailure() << "no key for U+" << std::hex << unsigned(character);
        char bytes[6];
        soFar.append(bytes, size_t(g_unichar_to_utf8(character, bytes)));
        if (!MainLoop::runUntil([&] { return arrived(soFar); }, secondsForEach))
            return ::testing::AssertionFailure() << "typed \"" << soFar << "\", which did not arrive";
    }
    return ::testing::AssertionSuccess();
}
