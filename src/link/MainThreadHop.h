#pragma once

#include <functional>
#include <memory>
#include <optional>

// Runs work on the main thread for another thread and waits for it. The work is a source on the
// default GLib main context, so it also runs inside the nested loops of modal dialogs: the link
// must not wait until the user closes some unrelated dialog. Work of the application's scheduler is
// held back in those loops; this is not.
//
// Closing (from the main thread) answers every waiting caller at once and refuses later ones, so
// that the main thread can then wait for the other thread without either waiting for the other.
// Work that is already running when the hop closes finishes, but its caller has gone.
class MainThreadHop {
public:
    MainThreadHop();
    ~MainThreadHop();
    MainThreadHop(const MainThreadHop&) = delete;
    MainThreadHop& operator=(const MainThreadHop&) = delete;

    // Nothing when the hop is closed, or closes before the work ran.
    template <class Result> std::optional<Result> run(std::function<Result()> work)
    {
        auto result = std::make_shared<std::optional<Result>>();
        // The result lives with the work, which may outlive this caller when the hop closes.
        const bool ran = runOnMainThread([result, work = std::move(work)] { *result = work(); });
        if (!ran) return std::nullopt;
        return std::move(*result);
    }

    void close();
    bool isClosed() const;

    // The caller's thread must not be able to run the main context itself: a thread whose own
    // default context is the global one would run the work right there. Call once at the start of
    // every thread that hops, and endCallingThread() before it ends.
    static void prepareCallingThread();
    static void endCallingThread();

private:
    struct Shared;
    struct Source;
    bool runOnMainThread(std::function<void()> work);

    std::shared_ptr<Shared> _shared;
};
