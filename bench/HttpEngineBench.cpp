#include "platform/HttpEngine.h"
#include "platform/MainLoop.h"
#include "support/LoopbackHttpServer.h"

#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <vector>

namespace {

// 50 transfers against a server that answers each after 500 ms, while a 1 ms beat stands for the
// window's drawing: the longest pause between two beats is what a user would see as a stall.
void BM_HttpEngineFiftySlowRequestsKeepTheLoopFree(benchmark::State& state)
{
    LoopbackHttpServer server([](const LoopbackRequest& request) {
        LoopbackReply reply = LoopbackReply::json(200, "{\"path\":\"" + request.path + "\"}");
        reply.delaySeconds = 0.5;
        return reply;
    });
    HttpEngine engine;
    double longestGap = 0;
    for (auto _ : state) {
        std::vector<HttpRequestHandle> handles;
        size_t done = 0;
        for (int i = 0; i < 50; ++i) {
            HttpRequest request;
            request.method = "POST";
            request.url = server.baseUrl() + "/2/files/upload";
            request.body = std::string(4096, 'm');
            handles.push_back(engine.start(std::move(request), [&](HttpResponse) { ++done; }));
        }
        gint64 last = g_get_monotonic_time();
        auto beat = Timer::scheduledTimer(0.001, true, [&] {
            gint64 now = g_get_monotonic_time();
            longestGap = std::max(longestGap, double(now - last) / 1000.0);
            last = now;
        });
        MainLoop::runUntil([&] { return done == handles.size(); }, 30);
    }
    state.counters["longest_loop_gap_ms"] = longestGap;
}
BENCHMARK(BM_HttpEngineFiftySlowRequestsKeepTheLoopFree)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
