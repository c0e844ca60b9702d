#pragma once

class MindMapSpellChecker;

// The spelling dialog of the desktop. It drives the checker (next word, change, ignore) until the
// user closes it or the checker ends the run. Main thread only.
class SpellingPanel {
public:
    virtual ~SpellingPanel() = default;

    // Opens the dialog on the checker, or brings it to the front when it is open already.
    virtual void showSpellingPanel(MindMapSpellChecker& checker) = 0;
    // From this call on the dialog no longer reaches the checker (which may be going); the window
    // itself goes once the dialog's own call into the checker, if any, has returned.
    virtual void closeSpellingPanel() = 0;

    // Installs the panel (not owned); nullptr leaves none, and the check shows nothing.
    static void setShared(SpellingPanel* panel);
    static SpellingPanel* shared();
};
