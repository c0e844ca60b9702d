#include "Utils/Base64Url.h"
#include "Utils/CryptoDigest.h"
#include "Utils/GuidCreation.h"
#include "Utils/RandomData.h"

#include <benchmark/benchmark.h>

namespace {

constexpr size_t OneMiB = 1024 * 1024;

void BM_Base64UrlEncode1MiB(benchmark::State& state)
{
    const auto data = randomDataWithLength(OneMiB);
    for (auto _ : state) benchmark::DoNotOptimize(stringByBase64UrlSafeEncoding(data));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(OneMiB));
}
BENCHMARK(BM_Base64UrlEncode1MiB);

void BM_Base64UrlDecode1MiB(benchmark::State& state)
{
    const std::string text = stringByBase64UrlSafeEncoding(randomDataWithLength(OneMiB));
    for (auto _ : state) benchmark::DoNotOptimize(dataByBase64UrlSafeDecoding(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(OneMiB));
}
BENCHMARK(BM_Base64UrlDecode1MiB);

void BM_SHA1_1MiB(benchmark::State& state)
{
    const auto data = randomDataWithLength(OneMiB);
    for (auto _ : state) benchmark::DoNotOptimize(SHA1(data));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(OneMiB));
}
BENCHMARK(BM_SHA1_1MiB);

void BM_CreateBase64GUIDString(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(createBase64GUIDString());
}
BENCHMARK(BM_CreateBase64GUIDString);

} // namespace
