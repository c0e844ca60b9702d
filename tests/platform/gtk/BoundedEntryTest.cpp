#include "platform/gtk/BoundedEntry.h"

#include "platform/Pasteboard.h"
#include "platform/gtk/GtkDesktopPorts.h"

#include "support/DisplayRequirement.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

#include <string>

namespace {

using Lines = EntryBound::Lines;

// An indented outline as another program copies it: line n is n tabs and "Topic n".
std::string indentedOutline(int lines)
{
    std::string outline;
    for (int line = 0; line < lines; ++line)
        outline += std::string(line, '\t') + "Topic " + std::to_string(line) + "\n";
    return outline;
}

} // namespace

TEST(BoundedEntry, TextComingInGivesOneLineUpToTheBound)
{
    struct Case {
        const char* name;
        std::string text;
        size_t held;
        EntryBound bound;
        std::string taken;
    };
    const Case cases[] = {
        {"one line as it is", "  two words\t", 0, {500}, "  two words\t"},
        {"the first line with text, unindented", "\n \t\n\t\tfirst item  \r\n\tsecond\n", 0, {500}, "first item"},
        {"lines of blanks only", "\n \n\t\n", 0, {500}, ""},
        {"each line break a space", "a\r\nb\rc\nd", 0, {500, Lines::Joined}, "a b c d"},
        {"Unicode's line and paragraph separators", "x\u2028y\u2029z", 0, {500, Lines::Joined}, "x y z"},
        {"up to the bound with what is held", "abcdef", 3, {5}, "ab"},
        {"nothing at the bound", "abcdef", 5, {5}, ""},
        {"nothing past it, where the program put more", "abcdef", 9, {5}, ""},
        {"characters, not bytes", "\u00e9\u00e9\u00e9\u00e9\u00e9", 0, {3}, "\u00e9\u00e9\u00e9"},
        {"no bound of its own", std::string(20000, 'x'), 0, {0}, std::string(20000, 'x')},
        {"bytes that are no UTF-8 replaced",
         "ab\xff"
         "cd",
         0,
         {10},
         "ab\ufffd"
         "cd"},
        {"an indented outline into a search", indentedOutline(300), 0, {EntryBound::SearchCharacters}, "Topic 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(boundedEntryInsertion(c.text, c.held, c.bound), c.taken) << c.name;

    // Joined, the outline's tabs stay, within the bound.
    const std::string joined = boundedEntryInsertion(indentedOutline(300), 0, {5000, Lines::Joined});
    EXPECT_EQ(joined.find('\n'), std::string::npos);
    EXPECT_EQ(joined.rfind("Topic 0 \tTopic 1 \t\tTopic 2 ", 0), 0u);
    EXPECT_EQ(g_utf8_strlen(joined.data(), static_cast<gssize>(joined.size())), 5000);
}

// The program starts with every entry bounded once realized, also those no one bounded.
TEST(BoundedEntry, EveryEntryIsBoundedOnceRealized)
{
    TARNWICK_REQUIRE_DISPLAY(gtk_init_check(nullptr, nullptr));
    Gtk::Main::init_gtkmm_internals();
    installGtkDesktopPorts();
    Gtk::Window window;
    Gtk::Entry entry;
    window.add(entry);
    window.show_all();
    int position = 0;
    entry.insert_text(indentedOutline(300), -1, position);
    EXPECT_EQ(entry.get_text(), "Topic 0");
    EXPECT_EQ(position, 7) << "the caret after what was taken";
    Pasteboard::setGeneralPasteboard(nullptr);
}
