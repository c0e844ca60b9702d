#include "link/server/http_request.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

// An upload as the mobile edition sends it: one map file of compressed (random-looking) bytes
// between two small fields.
std::string upload_body(size_t file_bytes)
{
    const std::string delimiter = "--------------------------5b2c1e0f9a7d3c41";
    std::string body = delimiter + "\r\nContent-Disposition: form-data; name=\"id\"\r\n\r\nE3C1-88AF\r\n";
    body += delimiter +
        "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"Plans.twkx\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n";
    std::mt19937_64 random(36);
    const size_t start = body.size();
    body.resize(start + file_bytes);
    for (size_t index = start; index < body.size(); ++index) body[index] = static_cast<char>(random());
    body += "\r\n" + delimiter + "\r\nContent-Disposition: form-data; name=\"version\"\r\n\r\n3\r\n";
    return body + delimiter + "--\r\n";
}

void BM_LinkParseMultipartUpload32MiB(benchmark::State& state)
{
    const std::string body = upload_body(32 * 1024 * 1024);
    for (auto _ : state) {
        http_request request;
        http_request_parse(request, "/mindmaps/upload", body);
        if (http_get_param(request, "file", 0).size() != 32 * 1024 * 1024) state.SkipWithError("file part lost");
        benchmark::DoNotOptimize(request);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}
BENCHMARK(BM_LinkParseMultipartUpload32MiB)->Unit(benchmark::kMillisecond);

// A body that costs a search comparing a delimiter from its end at every position the product of
// the two lengths: a delimiter line of a third of the body, then twice that of bytes that match all
// of it but its first byte. The goal is 20 ms at most.
void BM_LinkParseHostileBody2MiB(benchmark::State& state)
{
    const size_t delimiter = 2 * 1024 * 1024 / 3;
    const std::string body = "b" + std::string(delimiter - 1, 'a') + "\r\n" + std::string(2 * delimiter, 'a');
    for (auto _ : state) {
        http_request request;
        http_request_parse(request, "/mindmaps/upload", body);
        benchmark::DoNotOptimize(request);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}
BENCHMARK(BM_LinkParseHostileBody2MiB)->Unit(benchmark::kMillisecond);

} // namespace
