#pragma once

#include <gspell/gspell.h>

#include <string>

// The functions of gspell the spelling services call, each under its own name, and those of the
// spelling library under it (found through gspell, which loads it).
#define GSPELL_LIBRARY_FUNCTIONS(X)                                                                                    \
    X(gspell_language_get_default)                                                                                     \
    X(gspell_language_get_available)                                                                                   \
    X(gspell_language_get_code)                                                                                        \
    X(gspell_checker_get_type)                                                                                         \
    X(gspell_checker_new)                                                                                              \
    X(gspell_checker_get_language)                                                                                     \
    X(gspell_checker_check_word)                                                                                       \
    X(gspell_checker_get_suggestions)                                                                                  \
    X(gspell_checker_add_word_to_session)                                                                              \
    X(gspell_checker_get_enchant_dict)                                                                                 \
    X(gspell_checker_dialog_new)                                                                                       \
    X(gspell_navigator_get_type)                                                                                       \
    X(gspell_text_buffer_get_from_gtk_text_buffer)                                                                     \
    X(gspell_text_buffer_get_spell_checker)                                                                            \
    X(gspell_text_buffer_set_spell_checker)                                                                            \
    X(gspell_text_view_get_from_gtk_text_view)                                                                         \
    X(gspell_text_view_get_inline_spell_checking)                                                                      \
    X(gspell_text_view_set_inline_spell_checking)                                                                      \
    X(gspell_text_view_set_enable_language_menu)                                                                       \
    X(enchant_dict_add_to_session)                                                                                     \
    X(enchant_dict_remove_from_session)

// gspell, loaded when spelling is first checked. Linked into the program, it and the spelling
// library under it were loaded and relocated at every start, although a start checks no word.
struct GspellLibrary {
#define GSPELL_LIBRARY_POINTER(name) decltype(&::name) name = nullptr;
    GSPELL_LIBRARY_FUNCTIONS(GSPELL_LIBRARY_POINTER)
#undef GSPELL_LIBRARY_POINTER

    // Loads the library once; nullptr when it or one of its functions is missing, the reason then
    // in loadError(). Without it no word is checked.
    static const GspellLibrary* get();
    static const std::string& loadError();

    // Loads the library of that name into a table of its own; used by get() and by tests.
    static bool load(const char* soname, GspellLibrary& library, std::string& error);
};
