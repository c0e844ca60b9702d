#pragma once

#include "Editor/DocumentScheduler.h"
#include "Editor/EditorDocument.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "store/MindMapStoreTestSupport.h"
#include "support/QuietNodeEditor.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// Time moves only in advance(), which runs each call at its due time on the way.
class FakeDocumentScheduler : public DocumentScheduler {
public:
    double now() const override { return _now; }
    Handle schedule(double delaySeconds, bool repeats, std::function<void()> function) override
    {
        Handle handle = _next++;
        _calls[handle] = Call{_now + delaySeconds, repeats ? delaySeconds : 0, std::move(function)};
        return handle;
    }
    void cancel(Handle handle) override { _calls.erase(handle); }
    // While set, as while a dialog runs, time passes but no call runs.
    bool holdingBack = false;
    bool isHoldingBack() const override { return holdingBack; }

    void advance(double seconds)
    {
        const double end = _now + seconds;
        for (;;) {
            if (holdingBack) break;
            auto due = _calls.end();
            for (auto it = _calls.begin(); it != _calls.end(); ++it)
                if (it->second.time <= end && (due == _calls.end() || it->second.time < due->second.time)) due = it;
            if (due == _calls.end()) break;
            _now = due->second.time;
            std::function<void()> function = due->second.function;
            if (due->second.interval > 0) due->second.time += due->second.interval;
            else _calls.erase(due);
            function();
        }
        _now = end;
    }
    size_t pendingCount() const { return _calls.size(); }
    // The delays of the pending single calls from now.
    std::vector<double> pendingSingleDelays() const
    {
        std::vector<double> delays;
        for (const auto& [handle, call] : _calls)
            if (call.interval == 0) delays.push_back(call.time - _now);
        return delays;
    }

private:
    struct Call {
        double time;
        double interval;
        std::function<void()> function;
    };
    double _now = 1000.0;
    Handle _next = 1;
    std::map<Handle, Call> _calls;
};

class FakeDocumentWindow : public EditorDocumentWindow {
public:
    void setWindowTitle(const std::string& title) override { titles.push_back(title); }
    bool canAutoSave() override { return idle; }
    void presentError(const Error& error) override { errors.push_back(error); }
    void updateWindows() override { ++updates; }
    void commitCellEdits() override { ++cellEditCommits; }

    bool idle = true;
    // Times the names being typed into the window's lists were taken.
    int cellEditCommits = 0;
    std::vector<std::string> titles;
    std::vector<Error> errors;
    int updates = 0;
};

// Counts what the map asks of its editing view; everything else is ignored.
class FakeNodeEditor : public QuietNodeEditor {
public:
    void cancelEditorModes() override { ++cancels; }
    void startEditingNewNode(MindMapNode*, UndoState) override { ++editingStarts; }
    void startEditingExistingNode(MindMapNode*) override { ++editingStarts; }
    void startEditingText(MindMapText*, UndoState, bool) override { ++editingStarts; }

    int cancels = 0;
    int editingStarts = 0;
};
