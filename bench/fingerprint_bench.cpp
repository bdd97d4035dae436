// UpdateFingerprint's throughput against plain reads of the same buffer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/fingerprint_accumulator.h"
#include "engine/page_blocks.h"
#include "engine/page_probe.h"

namespace {

bool Smoke() { return std::getenv("ORVALIS_BENCH_SMOKE") != nullptr; }

std::size_t BufferSize() { return Smoke() ? 4096 : 1 << 20; }

const std::string& Buffer() {
    static const std::string buffer = [] {
        std::string bytes(BufferSize(), '\0');
        std::mt19937 random(1);
        for (char& c : bytes) c = static_cast<char>('a' + random() % 26);
        return bytes;
    }();
    return buffer;
}

void BM_UpdateFingerprint(benchmark::State& state) {
    const std::string& buffer = Buffer();
    for (auto _ : state) {
        orvalis::FingerprintWords words{};
        orvalis::UpdateFingerprint(buffer, words);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_UpdateFingerprint);

// The probe's own path: zero bytes replaced, tags searched, words summed, in 16 KiB reads.
void BM_AccumulatorIn16KiBReads(benchmark::State& state) {
    const std::string& buffer = Buffer();
    for (auto _ : state) {
        orvalis::FingerprintAccumulator accumulator;
        for (std::size_t at = 0; at < buffer.size(); at += 16384) {
            accumulator.Add(std::string_view(buffer).substr(at, 16384));
        }
        benchmark::DoNotOptimize(accumulator.Words());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_AccumulatorIn16KiBReads);

// The same on markup, where every '<' is a place to look for the tags.
void BM_AccumulatorOnMarkup(benchmark::State& state) {
    static const std::string markup = [] {
        const std::string line =
            "<tr><td class=\"name\">Item</td><td><a href=\"/x\">link</a></td></tr>\n";
        std::string text;
        while (text.size() < BufferSize()) text += line;
        text.resize(BufferSize());
        return text;
    }();
    for (auto _ : state) {
        orvalis::FingerprintAccumulator accumulator;
        for (std::size_t at = 0; at < markup.size(); at += 16384) {
            accumulator.Add(std::string_view(markup).substr(at, 16384));
        }
        benchmark::DoNotOptimize(accumulator.Words());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * markup.size()));
}
BENCHMARK(BM_AccumulatorOnMarkup);

// Each way of summing page blocks this processor offers, alone.
void BM_PageBlocks(benchmark::State& state) {
    const auto kernel = static_cast<orvalis::PageBlockKernel>(state.range(0));
    if (!orvalis::CanRun(kernel)) {
        state.SkipWithError("not on this processor");
        return;
    }
    const std::string& buffer = Buffer();
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    for (auto _ : state) {
        std::uint32_t lanes[8] = {};
        benchmark::DoNotOptimize(
            orvalis::AddPageBlocksWith(kernel, bytes, buffer.size() / 32, buffer.size(), lanes));
        benchmark::DoNotOptimize(lanes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_PageBlocks)->DenseRange(0, 2)->ArgName("kernel");

void BM_PlainSum(benchmark::State& state) {
    const std::string& buffer = Buffer();
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (std::size_t at = 0; at + 4 <= buffer.size(); at += 4) {
            std::uint32_t word;
            std::memcpy(&word, buffer.data() + at, 4);
            sum += word;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_PlainSum);

void BM_Memcpy(benchmark::State& state) {
    const std::string& buffer = Buffer();
    std::vector<char> target(buffer.size());
    for (auto _ : state) {
        std::memcpy(target.data(), buffer.data(), buffer.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_Memcpy);

}  // namespace

BENCHMARK_MAIN();
