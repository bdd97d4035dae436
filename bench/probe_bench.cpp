// ProbePage against a bare libcurl GET of the same local page, and the probe's peak memory on a
// very large streamed body.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "engine/page_probe.h"
#include "support/http_test_server.h"

namespace {

using orvalis::test::HttpResponse;
using orvalis::test::HttpTestServer;

bool Smoke() { return std::getenv("ORVALIS_BENCH_SMOKE") != nullptr; }

HttpTestServer& Server() {
    static HttpTestServer server;
    return server;
}

const std::string& PageUrl() {
    static const std::string url = [] {
        // Markup like a real page: tags, attributes, text and numbers.
        std::string page;
        std::mt19937 random(3);
        while (page.size() < (Smoke() ? 16384u : 1u << 20)) {
            page += "<tr><td class=\"name\">Item " + std::to_string(random() % 100000) +
                    "</td><td><a href=\"/item/" + std::to_string(random() % 1000) +
                    "\">details</a></td><td>" + std::to_string(random() % 500) + ".95</td></tr>\n";
        }
        Server().Serve("/page", HttpResponse::Ok(page));
        return Server().Url("/page");
    }();
    return url;
}

// Resident memory of the process in bytes, from /proc/self/statm.
std::int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4096;
}

void BM_ProbePage(benchmark::State& state) {
    const std::string& url = PageUrl();
    for (auto _ : state) {
        orvalis::FingerprintWords words{};
        if (orvalis::ProbePage(url, words) == orvalis::ProbeFailed) state.SkipWithError("failed");
        benchmark::DoNotOptimize(words);
    }
}
BENCHMARK(BM_ProbePage)->UseRealTime();

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

// What a fetch costs at the least: one reused easy handle, the body thrown away.
void BM_BareCurlGet(benchmark::State& state) {
    const std::string& url = PageUrl();
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    for (auto _ : state) {
        if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("failed");
    }
    curl_easy_cleanup(curl);
}
BENCHMARK(BM_BareCurlGet)->UseRealTime();

// Both fetches in turn, so a busy machine slows them alike; the counter is ProbePage's time over
// the bare GET's.
void BM_ProbeOverBareGetRatio(benchmark::State& state) {
    const std::string& url = PageUrl();
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Discard);
    using Clock = std::chrono::steady_clock;
    Clock::duration probeTime{}, bareTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        orvalis::FingerprintWords words{};
        if (orvalis::ProbePage(url, words) == orvalis::ProbeFailed) state.SkipWithError("failed");
        const auto middle = Clock::now();
        if (curl_easy_perform(curl) != CURLE_OK) state.SkipWithError("failed");
        const auto end = Clock::now();
        probeTime += middle - start;
        bareTime += end - middle;
    }
    curl_easy_cleanup(curl);
    state.counters["probe_over_bare"] =
        static_cast<double>(probeTime.count()) /
        static_cast<double>(std::max<Clock::rep>(bareTime.count(), 1));
}
BENCHMARK(BM_ProbeOverBareGetRatio)->UseRealTime();

// Peak resident memory above the idle process while a 1 GiB body streams through the probe.
void BM_ProbeHugeBodyPeakMemory(benchmark::State& state) {
    const std::uint64_t size = Smoke() ? (std::uint64_t{16} << 20) : (std::uint64_t{1} << 30);
    HttpResponse huge = HttpResponse::Ok("<p>streamed text without end in sight</p>\n");
    huge.repeatTo = size;
    Server().Serve("/huge", huge);

    std::int64_t peak = 0;
    for (auto _ : state) {
        const std::int64_t idle = ResidentBytes();
        std::atomic<bool> done{false};
        std::int64_t highest = idle;
        std::thread sampler([&] {
            while (!done) {
                highest = std::max(highest, ResidentBytes());
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        orvalis::FingerprintWords words{};
        const orvalis::ProbeResult result = orvalis::ProbePage(Server().Url("/huge"), words);
        done = true;
        sampler.join();
        if (result == orvalis::ProbeFailed || words[0] != static_cast<std::uint32_t>(size)) {
            state.SkipWithError("huge body not fully read");
        }
        peak = std::max(peak, highest - idle);
    }
    state.counters["peak_above_idle_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ProbeHugeBodyPeakMemory)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
