#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Text another program offers on the display, served from a connection and a thread of its own:
// under a selection (CLIPBOARD, PRIMARY), as a copy or a selection elsewhere offers it, or dragged
// and dropped on a window, as a drag from elsewhere brings it. It offers the text as UTF-8 and says
// at once that it has nothing else. A slow program holds what it is asked for until release(); one
// that crashes ends its connection with die(), never answering. In the test programs that have a
// display (they link X for it).
class ForeignText {
public:
    enum class Holds {
        Nothing,
        // The text; the list of what it offers comes at once.
        Text,
        // The text and the list of what it offers.
        Everything,
    };

    // Takes the selection (its name, such as "PRIMARY").
    ForeignText(const std::string& selection, std::string text, Holds holds = Holds::Nothing);
    // Drags the text over the X window to the point of the screen and drops it there, once the window
    // says it takes it.
    ForeignText(unsigned long window, int rootX, int rootY, std::string text, Holds holds = Holds::Nothing);
    ~ForeignText();
    ForeignText(const ForeignText&) = delete;
    ForeignText& operator=(const ForeignText&) = delete;

    // Offered: the display took the selection, and the text fits into one of its requests.
    bool offered() const { return _serving.joinable(); }
    // Requests for the text so far, answered or held.
    int textRequests() const { return _textRequests; }
    // Requests held now.
    int waiting() const { return _waiting; }
    // Answers what it holds, and later requests at once.
    void release();
    // Ends the connection; the requests held are never answered.
    void die();
    // A drop: whether the window said it took it, once it said.
    std::optional<bool> dropTaken() const;

private:
    void start();
    void serve();
    void answer(const void* request);

    std::string _text;
    Holds _holds;
    unsigned long _selection = 0;
    // A drop's window and point.
    unsigned long _target = 0;
    int _rootX = 0;
    int _rootY = 0;
    void* _display = nullptr;
    unsigned long _window = 0;
    int _wake[2] = {-1, -1};
    std::vector<std::vector<char>> _held;
    std::atomic<int> _textRequests = 0;
    std::atomic<int> _waiting = 0;
    // 0 unknown, 1 taken, 2 refused.
    std::atomic<int> _dropTaken = 0;
    std::thread _serving;
};
