// One checking pass over many rows: the engine's own cost per row (list calls, status updates)
// with a network that answers at once, next to the cost of the fetches against a local server.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/memory_site_list.h"
#include "engine/page_probe.h"
#include "engine/site_checker.h"
#include "engine/status_updates.h"
#include "platform/http_client.h"
#include "support/engine_fakes.h"
#include "support/http_test_server.h"

namespace orvalis {
namespace {

using test::FakeClock;
using test::FakeWindow;
using test::HttpResponse;
using test::HttpTestServer;
using test::Journal;
using test::RecordingAlertTray;

bool Smoke() {
    const char* smoke = std::getenv("ORVALIS_BENCH_SMOKE");
    return smoke && std::string(smoke) == "1";
}

int Rows() { return Smoke() ? 50 : 10000; }

// Counts the list calls, each of which is one round trip to the window's thread in the program.
class CountingSiteList : public MemorySiteList {
   public:
    int CountRows() const override { return ++calls, MemorySiteList::CountRows(); }
    std::string GetRowText(int row, int column) const override {
        return ++calls, MemorySiteList::GetRowText(row, column);
    }
    std::shared_ptr<PageFingerprint> GetFingerprint(int row) const override {
        return ++calls, MemorySiteList::GetFingerprint(row);
    }
    void UpdateRows(const std::function<bool(SiteEntry&)>& visit) override {
        ++calls;
        MemorySiteList::UpdateRows(visit);
    }
    void UpdateRowsWithAddress(const std::string& address,
                               const std::function<bool(int, SiteEntry&)>& visit) override {
        ++calls;
        MemorySiteList::UpdateRowsWithAddress(address, visit);
    }
    mutable std::atomic<long> calls{0};
};

// A pass over `rows` rows whose pages all answer as before, fetched through `network`.
struct PassRig {
    Journal journal;
    CountingSiteList list;
    RecordingAlertTray tray{journal};
    FakeWindow window{journal};
    SharedSettings settings;
    DownLists downLists;
    FakeClock clock;
    StatusUpdates updates{list, tray, window, settings, downLists, clock};
    std::atomic<bool> saving{false};
    std::unique_ptr<SiteChecker> checker;

    PassRig(const std::string& urlPrefix, int rows, CheckerNetwork network, int atOnce = 1,
            ReferenceSites references = {}) {
        for (int i = 0; i < rows; ++i) {
            const int row = list.InsertRow(-1, urlPrefix + std::to_string(i));
            list.SetFingerprint(row, std::make_shared<PageFingerprint>());
        }
        checker = std::make_unique<SiteChecker>(CheckerPorts{.list = list,
                                                             .settings = settings,
                                                             .updates = updates,
                                                             .downLists = downLists,
                                                             .window = window,
                                                             .clock = clock,
                                                             .saveSites = {},
                                                             .savingSites = saving,
                                                             .network = std::move(network),
                                                             .referenceSites = references,
                                                             .fetchesAtOnce = atOnce});
    }
};

void ReportPerRow(benchmark::State& state, int rows, long listCalls) {
    state.counters["time_per_row"] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["list_calls_per_row"] =
        static_cast<double>(listCalls) / (static_cast<double>(rows) * state.iterations());
}

// The engine's cost per row must not grow with the list: compare time_per_row across the sizes.
void BM_PassEngineOnly(benchmark::State& state) {
    const int rows = static_cast<int>(Smoke() ? state.range(0) / 100 : state.range(0));
    CheckerNetwork instant{
        .probePage = [](const std::string&, FingerprintWords&,
                        const ProbeContext&) { return ProbeUnchanged; },
        .isReachable = [](const std::string&, const ProbeContext&) { return true; },
        .isConnected = [] { return true; },
    };
    PassRig rig("http://www.site.test/page/", rows, instant);
    for (auto _ : state) rig.checker->RunPass();
    ReportPerRow(state, rows, rig.list.calls);
}
BENCHMARK(BM_PassEngineOnly)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(30000);

struct LocalSite {
    HttpTestServer server;
    explicit LocalSite(int rows) {
        for (int i = 0; i < rows; ++i) {
            server.Serve("/page/" + std::to_string(i),
                         HttpResponse::Ok("<html>page " + std::to_string(i) + "</html>"));
        }
    }
    std::string Prefix() const { return server.Url("/page/"); }
};

void BM_PassAgainstLocalServer(benchmark::State& state) {
    const int rows = Rows();
    LocalSite site(rows);
    PassRig rig(site.Prefix(), rows, ProbeNetwork());
    for (auto _ : state) rig.checker->RunPass();
    ReportPerRow(state, rows, rig.list.calls);
}
BENCHMARK(BM_PassAgainstLocalServer)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FetchesOnly(benchmark::State& state) {
    const int rows = Rows();
    LocalSite site(rows);
    const std::string prefix = site.Prefix();
    for (auto _ : state) {
        for (int i = 0; i < rows; ++i) {
            FingerprintWords words{};
            benchmark::DoNotOptimize(ProbePage(prefix + std::to_string(i), words));
        }
    }
    ReportPerRow(state, rows, 0);
}
BENCHMARK(BM_FetchesOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

// Pages far away: each on its own loopback host, each answer 50 ms late. The argument is the
// number of rows checked side by side (1 is one after another). CPU time is the whole process's.
struct DistantHosts {
    std::vector<std::unique_ptr<HttpTestServer>> servers;
    DistantHosts(int hosts, std::chrono::milliseconds delay) {
        HttpResponse answer = HttpResponse::Ok("<html>a distant page</html>");
        answer.delay = delay;
        for (int i = 0; i < hosts; ++i) {
            servers.push_back(std::make_unique<HttpTestServer>(
                "127.0." + std::to_string(20 + i / 200) + "." + std::to_string(1 + i % 200)));
            servers.back()->Serve("/page", answer);
        }
    }
    void AddRows(SiteList& list) const {
        for (const auto& server : servers) {
            const int row = list.InsertRow(-1, server->Url("/page"));
            list.SetFingerprint(row, std::make_shared<PageFingerprint>());
        }
    }
};

void BM_PassDistantHosts(benchmark::State& state) {
    const int hosts = Smoke() ? 10 : 100;
    DistantHosts distant(hosts, std::chrono::milliseconds(50));
    PassRig rig("", 0, ProbeNetwork(), static_cast<int>(state.range(0)));
    distant.AddRows(rig.list);
    for (auto _ : state) rig.checker->RunPass();
    ReportPerRow(state, hosts, rig.list.calls);
}
BENCHMARK(BM_PassDistantHosts)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Arg(1)
    ->Arg(8);

// One row on a host that takes the request and never answers, alone (argument 0) and among the
// distant pages (argument 1): the pass with the others should take no longer than the silent
// row's own time-outs (shortened here to one second each).
void BM_PassWithASilentHost(benchmark::State& state) {
    HttpLimits limits = CurrentHttpLimits();
    const HttpLimits saved = limits;
    limits.connectTimeout = std::chrono::seconds(1);
    limits.stallTime = std::chrono::seconds(1);
    SetHttpLimits(limits);
    HttpTestServer silent("127.0.19.1");
    HttpResponse never;
    never.neverAnswer = true;
    silent.Serve("/page", never);
    silent.Serve("/", never);
    HttpTestServer firstReference("127.0.19.2", 80);
    HttpTestServer secondReference("127.0.19.3", 80);
    const int hosts = state.range(0) == 0 ? 0 : Smoke() ? 10 : 99;
    DistantHosts distant(hosts, std::chrono::milliseconds(50));
    PassRig rig("", 0, ProbeNetwork(), kFetchesAtOnce, {"127.0.19.2", "127.0.19.3"});
    const int row = rig.list.InsertRow(-1, silent.Url("/page"));
    rig.list.SetFingerprint(row, std::make_shared<PageFingerprint>());
    distant.AddRows(rig.list);
    for (auto _ : state) rig.checker->RunPass();
    ReportPerRow(state, hosts + 1, rig.list.calls);
    SetHttpLimits(saved);
}
BENCHMARK(BM_PassWithASilentHost)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->Arg(0)
    ->Arg(1);

}  // namespace
}  // namespace orvalis

BENCHMARK_MAIN();
