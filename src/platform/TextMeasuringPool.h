#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class PangoLayoutMeasurer;

// Lays many texts out side by side. Pango objects must not be shared between threads, so each
// worker thread has a font map, context and layout of its own, set up as the measurer sets up its
// own; a text's size depends on nothing but the text, so whichever thread lays it out finds the
// size the measurer would find. The workers start on the first batch of several hundred texts and
// stay for the rest of the process, keeping the fonts they have loaded.
class TextMeasuringPool {
public:
    static TextMeasuringPool& shared();

    ~TextMeasuringPool();
    TextMeasuringPool(const TextMeasuringPool&) = delete;
    TextMeasuringPool& operator=(const TextMeasuringPool&) = delete;

    // Calls measure(measurer, i) once for every i below count, on the workers and on the calling
    // thread (with callerMeasurer), and returns when all calls have returned. measure must touch
    // nothing but what belongs to index i and the measurer it is given. One caller at a time: the
    // measurers call it from the main thread.
    void forEach(size_t count, PangoLayoutMeasurer& callerMeasurer,
                 const std::function<void(PangoLayoutMeasurer&, size_t)>& measure);
    // The threads started besides the callers': none before the first large batch.
    size_t workerCount() const;

private:
    TextMeasuringPool() = default;
    void start();
    void work();
    // Takes the next chunk of the current batch and measures it; false when none is left.
    bool measureChunk(PangoLayoutMeasurer& measurer);

    mutable std::mutex _mutex;
    std::condition_variable _wake;
    std::condition_variable _done;
    std::vector<std::thread> _workers;
    bool _stopping = false;
    // The current batch; guarded by _mutex.
    const std::function<void(PangoLayoutMeasurer&, size_t)>* _measure = nullptr;
    size_t _count = 0;
    size_t _next = 0;
    size_t _busy = 0; // workers inside the batch
    unsigned _generation = 0;
};
