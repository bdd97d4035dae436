// A name lookup that hangs (an unanswering name server) must not hold up a stopped fetch. The
// lookup of one test name is made to hang by standing in for the C library's getaddrinfo in this
// test program; every other name goes to the real one.
#include <dlfcn.h>
#include <netdb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>

#include "platform/http_client.h"

namespace {

constexpr const char* kHangingName = "hanging-lookup.test";

std::mutex lookupMutex;
std::condition_variable lookupChanged;
bool lookupEntered = false;
bool lookupReleased = false;
bool lookupLeft = false;

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node == nullptr || std::strcmp(node, kHangingName) != 0) {
        return real(node, service, hints, result);
    }
    std::unique_lock lock(lookupMutex);
    lookupEntered = true;
    lookupChanged.notify_all();
    // Bounded, so a broken build cannot hang the test program for good.
    lookupChanged.wait_for(lock, std::chrono::seconds(60), [] { return lookupReleased; });
    lookupLeft = true;
    lookupChanged.notify_all();
    return EAI_NONAME;
}

namespace orvalis {
namespace {

using namespace std::chrono_literals;

TEST(SlowNameLookup, StopRequestDoesNotWaitForAHangingLookup) {
    StopSignal stop;
    FetchRequest request;
    request.url = std::string("http://") + kHangingName + "/";
    request.stop = &stop;
    auto fetch = std::async(std::launch::async, [&] { return Fetch(request); });
    {
        std::unique_lock lock(lookupMutex);
        ASSERT_TRUE(lookupChanged.wait_for(lock, 30s, [] { return lookupEntered; }));
    }
    stop.Request();
    const bool returnedDuringLookup = fetch.wait_for(20s) == std::future_status::ready;
    {
        std::unique_lock lock(lookupMutex);
        lookupReleased = true;
        lookupChanged.notify_all();
        lookupChanged.wait_for(lock, 30s, [] { return lookupLeft; });
    }
    EXPECT_TRUE(returnedDuringLookup);
    EXPECT_EQ(fetch.get(), FetchOutcome::Stopped);
}

}  // namespace
}  // namespace orvalis
