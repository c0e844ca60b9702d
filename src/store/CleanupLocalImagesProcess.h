#pragma once

#include "Utils/TerminationProcess.h"
#include "platform/MainLoop.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

// The quit step that deletes the local images no map uses any more. The scan reads every map of
// the store, so it runs on a worker thread while the quit waits; completion is reported on the
// main loop. When any map cannot be scanned nothing is deleted: its images would look unused.
class CleanupLocalImagesProcess : public TerminationProcess {
public:
    enum class Execution {
        Background, // the scan on a worker thread, completion on the main loop
        Inline,     // everything within run(), for tests
    };

    // Title "cleanup_image_progress", icon "recycle_bin_full_16".
    explicit CleanupLocalImagesProcess(Execution execution = Execution::Background);
    // Waits for a scan still running.
    ~CleanupLocalImagesProcess() override;

    void run() override;

    // The number of images deleted; -1 until the scan is done or when it was skipped.
    int64_t deletedImages() const { return _deletedImages.load(); }

private:
    static int64_t cleanup();
    void finish();

    Execution _execution;
    std::atomic<int64_t> _deletedImages{-1};
    std::atomic<bool> _scanDone{false};
    std::thread _worker;
    std::unique_ptr<Timer> _completionPoll;
};
