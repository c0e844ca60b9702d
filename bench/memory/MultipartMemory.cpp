// Peak memory of parsing a 32 MiB multipart upload, relative to the body. Not a Google Benchmark:
// the figure is the process's peak resident size, which only a process of its own measures.
//
//   tarnwick_multipart_memory [megabytes]   (default 32)

#include "link/server/http_request.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

double peak_megabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
    const std::string delimiter = "--------------------------5b2c1e0f9a7d3c41";
    std::string body;
    // Made at its final size, so that the peak before parsing is the body alone.
    body.reserve(megabytes * 1024 * 1024 + 512);
    body += delimiter +
        "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"Plans.twkx\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\n";
    std::mt19937_64 random(36);
    const size_t start = body.size();
    body.resize(start + megabytes * 1024 * 1024);
    for (size_t index = start; index < body.size(); ++index) body[index] = static_cast<char>(random());
    body += "\r\n" + delimiter + "--\r\n";
    const double before = peak_megabytes();
    const double body_megabytes = static_cast<double>(body.size()) / (1024.0 * 1024.0);

    const auto began = std::chrono::steady_clock::now();
    http_request request;
    http_request_parse(request, "/mindmaps/upload", body);
    const auto took = std::chrono::steady_clock::now() - began;
    const double after = peak_megabytes();
    std::printf("body %.1f MiB, file part %zu bytes\n", body_megabytes, http_get_param(request, "file", 0).size());
    std::printf("peak before parsing %.1f MiB, after %.1f MiB: %.2f x the body in all, parsing added %.2f x\n", before,
                after, after / body_megabytes, (after - before) / body_megabytes);
    std::printf("parsing took %.1f ms\n", std::chrono::duration<double, std::milli>(took).count());
    return 0;
}
