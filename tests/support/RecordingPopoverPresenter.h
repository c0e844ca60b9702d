#pragma once

#include "platform/PopoverPresenter.h"

#include <vector>

// Keeps every popover request; each popover is shown until closed, by the code or by
// closeByUser(), which runs its didClose once as a real one does.
class RecordingPopoverPresenter : public PopoverPresenter {
public:
    class RecordedPopover : public Popover {
    public:
        explicit RecordedPopover(std::function<void()> didClose) : _didClose(std::move(didClose)) {}
        bool isShown() const override { return _shown; }
        void close() override
        {
            if (!_shown) return;
            _shown = false;
            if (_didClose) _didClose();
        }

    private:
        bool _shown = true;
        std::function<void()> _didClose;
    };

    std::shared_ptr<Popover> showPopover(const Request& request, std::function<void()> didClose) override
    {
        requests.push_back(request);
        popovers.push_back(std::make_shared<RecordedPopover>(std::move(didClose)));
        return popovers.back();
    }
    void closeByUser() { popovers.back()->close(); }

    std::vector<Request> requests;
    std::vector<std::shared_ptr<RecordedPopover>> popovers;
};
