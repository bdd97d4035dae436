// What the tray's animation thread costs while the program idles: wake-ups and CPU time of that
// one thread over a stretch of real time, read from the kernel's per-thread counters, with the
// window shown, with the icon in the tray, and (for comparison) while it flashes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "engine/clock.h"
#include "engine/memory_site_list.h"
#include "engine/tray_icon.h"

namespace orvalis {
namespace {

std::chrono::seconds IdlePeriod() {
    const char* smoke = std::getenv("ORVALIS_BENCH_SMOKE");
    return std::chrono::seconds(smoke && std::string(smoke) == "1" ? 1 : 60);
}

class CountingTrayView : public TrayView {
   public:
    void AddIcon() override {}
    void RemoveIcon() override {}
    void SetPicture(int) override { ++pictures; }
    void ShowBalloon(const std::string&, const std::string&, int, bool) override {}

    std::atomic<long> pictures{0};
};

std::set<std::string> TaskIds() {
    std::set<std::string> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        ids.insert(entry.path().filename().string());
    }
    return ids;
}

struct ThreadCost {
    long wakeUps = 0;  // voluntary context switches: each is one sleep the thread woke from
    double cpuSeconds = 0;
};

ThreadCost ReadCost(const std::string& tid) {
    ThreadCost cost;
    std::ifstream status("/proc/self/task/" + tid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
            cost.wakeUps = std::stol(line.substr(line.find(':') + 1));
        }
    }
    // utime and stime are the 14th and 15th fields; the name in parentheses may hold spaces.
    std::ifstream statFile("/proc/self/task/" + tid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14) ticks += std::stol(field);
    }
    cost.cpuSeconds = static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return cost;
}

enum class TrayState { Shown, InTray, Flashing };

void RunIdle(benchmark::State& state, TrayState trayState) {
    CountingTrayView view;
    MemorySiteList list;
    TrayIcon tray(view, list, SystemClock::Instance());

    const std::set<std::string> before = TaskIds();
    if (!tray.StartAnimation()) throw std::runtime_error("the animation thread did not start");
    std::string tid;
    for (const std::string& id : TaskIds()) {
        if (!before.count(id)) tid = id;
    }
    if (tid.empty()) throw std::runtime_error("the animation thread was not found");

    // The states as the window leaves them: shown (no icon, Steady set), hidden in the tray with
    // nothing to report, and in the tray with a server down.
    if (trayState == TrayState::Shown) {
        tray.LeaveTray();
    } else {
        tray.EnterTray();
        if (trayState == TrayState::Flashing) tray.SignalEvent(TrayEvent::DownFlash);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it settle

    const auto period = IdlePeriod();
    ThreadCost start, end;
    long picturesAtStart = 0;
    for (auto _ : state) {
        start = ReadCost(tid);
        picturesAtStart = view.pictures;
        std::this_thread::sleep_for(period);
        end = ReadCost(tid);
    }
    const double seconds = std::chrono::duration<double>(period).count();
    state.counters["wakeups_per_s"] = static_cast<double>(end.wakeUps - start.wakeUps) / seconds;
    state.counters["cpu_percent"] = 100.0 * (end.cpuSeconds - start.cpuSeconds) / seconds;
    state.counters["pictures_per_s"] =
        static_cast<double>(view.pictures - picturesAtStart) / seconds;
}

void BM_TrayIdleWindowShown(benchmark::State& state) { RunIdle(state, TrayState::Shown); }
void BM_TrayIdleInTray(benchmark::State& state) { RunIdle(state, TrayState::InTray); }
void BM_TrayFlashing(benchmark::State& state) { RunIdle(state, TrayState::Flashing); }

BENCHMARK(BM_TrayIdleWindowShown)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_TrayIdleInTray)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_TrayFlashing)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace orvalis

BENCHMARK_MAIN();
