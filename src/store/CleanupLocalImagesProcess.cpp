#include "store/CleanupLocalImagesProcess.h"

#include "platform/Localizer.h"
#include "platform/MainLoop.h"
#include "store/MindMapStore.h"

namespace {

// How often the main loop looks whether the worker has finished.
constexpr double CompletionPollInterval = 0.05;

} // namespace

CleanupLocalImagesProcess::CleanupLocalImagesProcess(Execution execution)
    : TerminationProcess(localized("cleanup_image_progress"), "recycle_bin_full_16"), _execution(execution)
{
}

CleanupLocalImagesProcess::~CleanupLocalImagesProcess()
{
    if (_worker.joinable()) _worker.join();
}

int64_t CleanupLocalImagesProcess::cleanup()
{
    MindMapStore* store = MindMapStore::existingInstance();
    return store ? store->cleanupUnusedLocalImages() : 0;
}

void CleanupLocalImagesProcess::run()
{
    if (_execution == Execution::Inline) {
        _deletedImages = cleanup();
        setCompleted();
        return;
    }
    if (_worker.joinable() || completed()) return;
    _scanDone = false;
    _worker = std::thread([this] {
        _deletedImages = cleanup();
        _scanDone = true;
    });
    // The worker only raises a flag; the main loop notices it, so that completion (and whatever
    // the delegate does then) happens on the main thread.
    _completionPoll = Timer::scheduledTimer(CompletionPollInterval, true, [this] {
        if (_scanDone) finish();
    });
}

void CleanupLocalImagesProcess::finish()
{
    _completionPoll->invalidate();
    if (_worker.joinable()) _worker.join();
    // The delegate may release this process: nothing of it is touched afterwards.
    setCompleted();
}
