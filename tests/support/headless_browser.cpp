#include "support/headless_browser.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "support/child_process.h"

namespace orvalis::test {
namespace {

constexpr const char* kBrowser = "/usr/bin/chromium";

}  // namespace

bool HeadlessBrowser::Available() { return ::access(kBrowser, X_OK) == 0; }

std::string HeadlessBrowser::Run(const std::vector<std::string>& actions, const std::string& url,
                                 int* status) {
    std::vector<std::string> argv = {
        "/usr/bin/timeout", "-k", "5", "60", kBrowser, "--headless=new", "--no-sandbox",
        "--disable-gpu", "--no-first-run", "--no-default-browser-check",
        "--disable-background-networking", "--disable-component-update", "--disable-sync",
        "--hide-scrollbars", "--user-data-dir=" + profile_.Path().string(),
        // Loopback bypasses a proxy, so only 127.0.0.1 is reachable at all.
        "--proxy-server=127.0.0.1:9", "--host-resolver-rules=MAP * ~NOTFOUND , EXCLUDE 127.0.0.1",
        // Lets the page's refresh run before the browser reports.
        "--virtual-time-budget=5000"};
    argv.insert(argv.end(), actions.begin(), actions.end());
    argv.push_back(url);
    std::string errors;
    return RunProgram(argv, status, {}, &errors);
}

std::string HeadlessBrowser::DumpDom(const std::string& url) {
    int status = 0;
    std::string dom = Run({"--dump-dom"}, url, &status);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) dom.clear();
    return dom;
}

bool HeadlessBrowser::Screenshot(const std::string& url, const std::string& pngPath, int width,
                                 int height) {
    std::error_code ignored;
    std::filesystem::remove(pngPath, ignored);
    std::filesystem::create_directories(std::filesystem::path(pngPath).parent_path(), ignored);
    int status = 0;
    Run({"--window-size=" + std::to_string(width) + "," + std::to_string(height),
         "--screenshot=" + pngPath},
        url, &status);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::filesystem::exists(pngPath);
}

}  // namespace orvalis::test
