#include "platform/http_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <mutex>

namespace orvalis {

namespace {

std::mutex limitsMutex;
HttpLimits limits;

void InitCurlOnce() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

// One easy handle per thread, so consecutive fetches of a thread reuse its open connections.
class ThreadHandle {
   public:
    ThreadHandle() {
        InitCurlOnce();
        handle_ = curl_easy_init();
    }
    ~ThreadHandle() {
        if (handle_ != nullptr) curl_easy_cleanup(handle_);
    }
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;

    CURL* Get() { return handle_; }

   private:
    CURL* handle_ = nullptr;
};

class HeaderList {
   public:
    HeaderList() {
        list_ = curl_slist_append(list_, "Pragma: no-cache");
        list_ = curl_slist_append(list_, "Cache-Control: no-cache");
    }
    ~HeaderList() { curl_slist_free_all(list_); }
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    curl_slist* Get() const { return list_; }

   private:
    curl_slist* list_ = nullptr;
};

struct Transfer {
    const FetchRequest* request = nullptr;
    int status = 0;            // status code of the response whose headers are being read
    bool redirecting = false;  // that response carries a Location header
    bool opened = false;       // the final response's headers are complete
    bool stopped = false;
    bool headersReached = false;  // a headers-only fetch ended itself on purpose

    bool StopRequested() {
        if (request->stop != nullptr && request->stop->IsSet()) stopped = true;
        return stopped;
    }
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    const std::string_view line(data, length);
    if (transfer.StopRequested()) return 0;
    if (line.starts_with("HTTP/")) {
        const std::size_t space = line.find(' ');
        transfer.status = space == std::string_view::npos ? 0 : std::atoi(line.data() + space + 1);
        transfer.redirecting = false;
    } else if (StartsWithNoCase(line, "location:")) {
        transfer.redirecting = true;
    } else if (line == "\r\n" || line == "\n") {
        const bool interim = transfer.status < 200;
        const bool followed = transfer.redirecting && transfer.status >= 300 &&
                              transfer.status < 400 && transfer.status != 304;
        if (!interim && !followed) {
            transfer.opened = true;
            if (transfer.request->headersOnly) {
                transfer.headersReached = true;
                return 0;
            }
        }
    }
    return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    transfer.opened = true;
    if (transfer.StopRequested()) return 0;
    if (transfer.request->headersOnly) {
        transfer.headersReached = true;
        return 0;
    }
    if (transfer.request->onBody) transfer.request->onBody(std::string_view(data, length));
    return length;
}

// The address as it goes on the wire: libcurl refuses a blank anywhere in an address, so one that
// the user typed into a path (or left at the end) is sent escaped, as browsers send it.
std::string WireUrl(const std::string& url) {
    std::string wire;
    wire.reserve(url.size());
    for (char c : url) {
        if (c == ' ') {
            wire += "%20";
        } else {
            wire += c;
        }
    }
    return wire;
}

// Called by libcurl often while data flows and about once a second while it does not.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->StopRequested() ? 1 : 0;
}

}  // namespace

HttpLimits CurrentHttpLimits() {
    std::lock_guard lock(limitsMutex);
    return limits;
}

void SetHttpLimits(const HttpLimits& newLimits) {
    std::lock_guard lock(limitsMutex);
    limits = newLimits;
}

FetchOutcome Fetch(const FetchRequest& request) {
    thread_local ThreadHandle threadHandle;
    CURL* curl = threadHandle.Get();
    if (curl == nullptr) return FetchOutcome::Failed;

    Transfer transfer;
    transfer.request = &request;
    if (transfer.StopRequested()) return FetchOutcome::Stopped;

    const HttpLimits bounds = CurrentHttpLimits();
    static const HeaderList headers;

    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, WireUrl(request.url).c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.Get());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, bounds.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(bounds.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, bounds.stallBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(bounds.stallTime.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(std::chrono::milliseconds(bounds.transferTimeout).count()));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A stopped transfer does not wait for a name lookup that hangs (a name server that never
    // answers): its resolver thread is left to finish on its own.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 16384L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(curl);
    // Nothing of this call may outlive it inside the kept handle.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);

    if (transfer.stopped) return FetchOutcome::Stopped;
    if (transfer.headersReached) return FetchOutcome::Complete;
    if (code == CURLE_OK) return FetchOutcome::Complete;
    if (transfer.opened && (code == CURLE_PARTIAL_FILE || code == CURLE_RECV_ERROR)) {
        return FetchOutcome::Cut;
    }
    return FetchOutcome::Failed;
}

}  // namespace orvalis
