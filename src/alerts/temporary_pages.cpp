#include "alerts/temporary_pages.h"

#include <cstdio>

namespace orvalis {

namespace {

void DeleteFile(std::string& path) {
    if (path.empty()) return;
    std::remove(path.c_str());
    path.clear();
}

}  // namespace

void TemporaryPages::DeleteAll() {
    DeleteFile(redirectPagePath);
    DeleteFile(helpPagePath);
    DeleteFile(helpPicturePath);
}

}  // namespace orvalis
