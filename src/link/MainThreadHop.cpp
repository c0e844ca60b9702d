#include "link/MainThreadHop.h"

#include <glib.h>

#include <future>
#include <mutex>
#include <vector>

namespace {

struct Pending {
    std::function<void()> work;
    std::promise<bool> promise;
    // Under the hop's mutex: the promise is kept once, by the work or by the close.
    bool settled = false;
};

thread_local GMainContext* callingThreadContext = nullptr;

} // namespace

struct MainThreadHop::Shared {
    std::mutex mutex;
    bool closed = false;
    std::vector<std::shared_ptr<Pending>> pending;

    void settle(const std::shared_ptr<Pending>& entry, bool ran)
    {
        {
            std::lock_guard lock(mutex);
            if (entry->settled) return;
            entry->settled = true;
            std::erase(pending, entry);
        }
        entry->promise.set_value(ran);
    }
};

// What the main context's source holds: the hop's state may outlive the hop.
struct MainThreadHop::Source {
    std::shared_ptr<Shared> shared;
    std::shared_ptr<Pending> pending;
};

MainThreadHop::MainThreadHop() : _shared(std::make_shared<Shared>())
{
}

MainThreadHop::~MainThreadHop()
{
    close();
}

void MainThreadHop::close()
{
    std::vector<std::shared_ptr<Pending>> waiting;
    {
        std::lock_guard lock(_shared->mutex);
        _shared->closed = true;
        waiting = _shared->pending;
    }
    for (const auto& entry : waiting) _shared->settle(entry, false);
}

bool MainThreadHop::isClosed() const
{
    std::lock_guard lock(_shared->mutex);
    return _shared->closed;
}

void MainThreadHop::prepareCallingThread()
{
    if (callingThreadContext) return;
    callingThreadContext = g_main_context_new();
    g_main_context_push_thread_default(callingThreadContext);
}

void MainThreadHop::endCallingThread()
{
    if (!callingThreadContext) return;
    g_main_context_pop_thread_default(callingThreadContext);
    g_main_context_unref(callingThreadContext);
    callingThreadContext = nullptr;
}

bool MainThreadHop::runOnMainThread(std::function<void()> work)
{
    auto entry = std::make_shared<Pending>();
    entry->work = std::move(work);
    std::future<bool> done = entry->promise.get_future();
    {
        std::lock_guard lock(_shared->mutex);
        if (_shared->closed) return false;
        _shared->pending.push_back(entry);
    }
    auto* source = new Source{_shared, entry};
    g_main_context_invoke_full(
        g_main_context_default(), G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* source = static_cast<Source*>(data);
            {
                std::lock_guard lock(source->shared->mutex);
                if (source->pending->settled) return G_SOURCE_REMOVE;
            }
            source->pending->work();
            source->shared->settle(source->pending, true);
            return G_SOURCE_REMOVE;
        },
        source, [](gpointer data) { delete static_cast<Source*>(data); });
    return done.get();
}
