#include "engine/url_host.h"

#include <curl/curl.h>

#include <memory>

namespace orvalis {

std::string HostOfAddress(const std::string& address) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
    if (!url) return {};
    // Any scheme is accepted, as long as there is one; no scheme is guessed. A blank in the path
    // still leaves the server name readable.
    if (curl_url_set(url.get(), CURLUPART_URL, address.c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE) != CURLUE_OK) {
        return {};
    }
    char* host = nullptr;
    if (curl_url_get(url.get(), CURLUPART_HOST, &host, CURLU_URLDECODE) != CURLUE_OK || !host) {
        return {};
    }
    std::string result(host);
    curl_free(host);
    return result;
}

}  // namespace orvalis
