#pragma once

#include <memory>
#include <string>

// Text on one of the display's selections (CLIPBOARD, PRIMARY, or XdndSelection for a drag), as
// another program that copied, selected or drags it offers it: UTF-8 under its list of targets,
// answered from a connection and a thread of its own while the object lives. A held text is a slow
// program's: the requests for it wait for release(). (The X headers stay in the source file: their
// names, Font and Window among them, clash with the program's own.)
class SelectionText {
public:
    explicit SelectionText(std::string text, bool held = false, const char* selection = "CLIPBOARD");
    ~SelectionText();
    SelectionText(const SelectionText&) = delete;
    SelectionText& operator=(const SelectionText&) = delete;

    bool offered() const;
    // Requests for the text that wait for release().
    int waiting() const;
    void release();

    // Drags the text (offered on XdndSelection) over the window, given by its X id, to the point of
    // the screen and drops it there once the window accepts it, as another program's drag does.
    // Returns at once; dropped() tells when the drop was made.
    void dropOnto(unsigned long window, int screenX, int screenY);
    bool dropped() const;

private:
    class Owner;
    std::unique_ptr<Owner> _owner;
};
