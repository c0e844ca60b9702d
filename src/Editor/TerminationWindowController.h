#pragma once

#include "Utils/TerminationProcess.h"

#include <string>
#include <vector>

// The window's side of the shutting-down window.
class TerminationWindowView {
public:
    virtual ~TerminationWindowView() = default;
    // Lists the controller's rows again.
    virtual void reloadRows() = 0;
    virtual void closeWindow() = 0;
};

// The shutting-down window that stands while the work that must finish before the application
// quits runs: it lists each running process by its current step (its title while it names none),
// offers no way to cancel the quit, and closes once the last process has ended.
class TerminationWindowController {
public:
    static constexpr const char* TitleKey = "termination_window_shutting_down_title";
    static constexpr const char* MessageKey = "termination_window_shutting_down_message";

    struct Row {
        std::string text;
        std::string iconImage;
        bool operator==(const Row&) const = default;
    };

    explicit TerminationWindowController(std::vector<TerminationProcess*> processes);

    // Not owned; the rows are listed at once.
    void setView(TerminationWindowView* view);

    std::string windowTitle() const;
    std::string message() const;
    const std::vector<Row>& rows() const { return _rows; }
    bool isClosed() const { return _closed; }

    // The processes still running; the window closes when none is left.
    void processesChanged(const std::vector<TerminationProcess*>& processes);

private:
    void takeRows(const std::vector<TerminationProcess*>& processes);

    std::vector<Row> _rows;
    TerminationWindowView* _view = nullptr;
    bool _closed = false;
};
