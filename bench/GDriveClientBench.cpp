#include "CloudBenchSupport.h"
#include "GoogleDrive/GDriveClient.h"
#include "cloud/OAuthClient.h"
#include "platform/MainLoop.h"
#include "platform/TokenStore.h"
#include "support/FakeGoogleDriveServer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string patterned(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 2654435761u) >> 24);
    return bytes;
}

// A 30 MB map uploaded through a resumable session whose connection drops once mid-chunk: at most
// one chunk goes again.
void BM_GDriveResumableUploadWithADroppedConnection(benchmark::State& state)
{
    DriveOnLoopback drive;
    const std::string contents = patterned(30 * 1000 * 1000);
    const std::string path = drive.folder + "/large.twkx";
    std::ofstream(path, std::ios::binary) << contents;
    int round = 0;
    double resent = 0;
    for (auto _ : state) {
        drive.fake.clearLog();
        drive.fake.dropNextChunks(1);
        GDriveFileObject file;
        file.id = "1Large" + std::to_string(++round);
        file.name = "Large.twkx";
        std::optional<GDriveResponse<GDriveMetadata>> response;
        GDriveCall call =
            drive.client->createFile(file, GDriveUpload{path, "application/x-zip"}, GDriveMetadata::FileFields,
                                     [&](const auto& answer) { response = answer; });
        MainLoop::runUntil([&] { return response.has_value(); }, 120);
        if (!response || !response->result) {
            state.SkipWithError("the upload failed");
            break;
        }
        double sent = 0;
        for (const auto& chunk : drive.fake.requestsTo("upload.chunk")) {
            sent += double(chunk.body.size());
        }
        resent = std::max(resent, sent - double(contents.size()));
    }
    state.counters["resent_MiB"] = resent / (1024 * 1024);
    state.counters["chunk_MiB"] = double(GDriveClient::ChunkSize) / (1024 * 1024);
}
BENCHMARK(BM_GDriveResumableUploadWithADroppedConnection)->Unit(benchmark::kMillisecond)->Iterations(3);

// What opening an uncached 5 MB Drive map costs on the wire when every answer takes 100 ms: its
// metadata, then its content.
void BM_GDriveUncachedMapMetadataAndDownload(benchmark::State& state)
{
    DriveOnLoopback drive;
    const std::string id = drive.fake.addFile("Plan.twkx", patterned(5 * 1000 * 1000));
    drive.fake.setDelay(0.1);
    for (auto _ : state) {
        drive.fake.clearLog();
        bool done = false;
        bool failed = false;
        GDriveCall download;
        GDriveCall get = drive.client->getFile(id, GDriveMetadata::FileFields, [&](const auto& metadata) {
            if (!metadata.result) {
                failed = done = true;
                return;
            }
            download = drive.client->download(id, "Plan.twkx", drive.folder + "/Plan.twkx",
                                              uint64_t(metadata.result->size()), [&](const auto& answer) {
                                                  failed = !answer.result;
                                                  done = true;
                                              });
        });
        MainLoop::runUntil([&] { return done; }, 30);
        if (failed) state.SkipWithError("the download failed");
        state.counters["requests"] = double(drive.fake.requests().size());
    }
}
BENCHMARK(BM_GDriveUncachedMapMetadataAndDownload)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
