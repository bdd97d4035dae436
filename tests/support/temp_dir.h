#pragma once

#include <filesystem>

namespace orvalis::test {

/// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
   public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The directory's path.
    const std::filesystem::path& Path() const { return path_; }

   private:
    std::filesystem::path path_;
};

}  // namespace orvalis::test
