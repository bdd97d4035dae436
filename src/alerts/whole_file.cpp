#include "alerts/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "alerts/error_message.h"

namespace orvalis {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    // The new file must lie in the same folder, or the rename could not be atomic.
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return false;
    std::string partPath = folder + "." + name + ".XXXXXX";

    // mkostemp creates the file anew (never through a planted link) with mode 0600.
    const int fd = ::mkostemp(partPath.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && WriteAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(partPath.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(partPath.c_str());
    return ok;
}

}  // namespace

bool WriteWholeFile(UserMessages& messages, const std::string& path, std::string_view bytes) {
    if (ReplaceFile(path, bytes)) return true;
    ShowErrorMessage(messages, kWriteFileFailed, path);
    return false;
}

}  // namespace orvalis
