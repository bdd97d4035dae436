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

std::string TemporaryPagePath(std::string_view tempFolder, std::string_view fileName) {
    std::string path(tempFolder.empty() ? std::string_view("/tmp") : tempFolder);
    if (path.back() != '/') path += '/';
    path += fileName;
    return path;
}

void TemporaryPages::FillHelpPaths(std::string_view tempFolder) {
    if (!helpPagePath.empty() && !helpPicturePath.empty()) return;
    helpPagePath = TemporaryPagePath(tempFolder, kHelpPageFile);
    helpPicturePath = TemporaryPagePath(tempFolder, kHelpPictureFile);
}

void TemporaryPages::DeleteAll() {
    DeleteFile(redirectPagePath);
    DeleteFile(helpPagePath);
    DeleteFile(helpPicturePath);
}

}  // namespace orvalis
