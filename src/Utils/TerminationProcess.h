#pragma once

#include <memory>
#include <string>

class TerminationProcess;

// Told about a termination process's progress: the quit sequence.
class TerminationProcessDelegate {
public:
    virtual ~TerminationProcessDelegate() = default;
    // May release the process: the process touches nothing of itself after this call.
    virtual void terminationProcessCompleted(TerminationProcess* process) = 0;
    virtual void terminationProcessActionChanged(TerminationProcess* process) = 0;
};

// A piece of work that must finish before the application quits (uploading changed cloud maps,
// an occasional clean-up of local images). The quit waits until every process has completed.
class TerminationProcess {
public:
    TerminationProcess(std::string title, std::string iconImage);
    virtual ~TerminationProcess() = default;
    TerminationProcess(const TerminationProcess&) = delete;
    TerminationProcess& operator=(const TerminationProcess&) = delete;

    // Starts the work. The process calls setCompleted when it is done, possibly from within run.
    virtual void run() = 0;

    // Marks the process completed and tells the delegate; only the first call counts.
    void setCompleted();
    bool completed() const { return _completed; }

    const std::string& title() const { return _title; }

    // The current step shown to the user; empty until the process names one.
    const std::string& action() const { return _action; }
    // Waits for its caller in the shell.
    void setAction(const std::string& action);

    // What the shutting-down window lists for the process: its current step, or its title while
    // it names none.
    const std::string& listedText() const { return _action.empty() ? _title : _action; }

    // The name of the image shown beside the process.
    const std::string& iconImage() const { return _iconImage; }
    // Waits for its caller in the shell.
    void setIconImage(const std::string& iconImage) { _iconImage = iconImage; }

    TerminationProcessDelegate* delegate() const { return _delegate; }
    void setDelegate(TerminationProcessDelegate* delegate) { _delegate = delegate; }

private:
    std::string _title;
    std::string _action;
    std::string _iconImage;
    bool _completed = false;
    TerminationProcessDelegate* _delegate = nullptr;
};

// Stands for a process that its service keeps to know that its work has started, while the quit
// sequence owns the one it is given: completes, and names its steps, with the inner one.
class ForwardingTerminationProcess : public TerminationProcess, public TerminationProcessDelegate {
public:
    explicit ForwardingTerminationProcess(std::shared_ptr<TerminationProcess> inner);
    ~ForwardingTerminationProcess() override;
    void run() override;
    void terminationProcessCompleted(TerminationProcess*) override { setCompleted(); }
    void terminationProcessActionChanged(TerminationProcess*) override { setAction(_inner->action()); }

private:
    std::shared_ptr<TerminationProcess> _inner;
};
