#pragma once

#include <sys/types.h>

#include <string>

// An X server of the process's own (Xvfb on a free display number), so that no other program's
// windows, pointer grabs or presses reach the tests' windows and test programs can run side by
// side. The server ends with the object, or with the process should that die first.
class PrivateDisplay {
public:
    // Starts the server and returns once it answers; without one, failure() says why.
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool started() const { return !_name.empty(); }
    // The display's name for DISPLAY (":<number>").
    const std::string& name() const { return _name; }
    const std::string& failure() const { return _failure; }

private:
    pid_t _server = 0;
    std::string _name;
    std::string _failure;
};

// Whether an Xvfb program is on PATH. A test that needs a display skips without one, but fails
// where one is there and does not start: that is a fault of the run.
bool xvfbInstalled();

// Points DISPLAY at a display of the process's own for the rest of its life, unless the program
// was only asked to list its tests or runs a death test's statement (the display of the process
// that started it serves). Without one the process has no DISPLAY at all: a test that needs a
// display skips, or fails where the run promised one, instead of reaching another program's.
void providePrivateDisplay(int argc, char** argv);
