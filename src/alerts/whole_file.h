#pragma once

#include <string>
#include <string_view>

#include "alerts/user_messages.h"

namespace orvalis {

/// The message shown when a file cannot be written; "%s" is the file's path.
inline constexpr std::string_view kWriteFileFailed = "Failed to write file %s";

/// Replaces the file at `path` with `bytes`, readable and writable by the user alone. The bytes go
/// to a new file beside it first, which then takes the old file's place, so a reader sees either
/// the old content or all of the new. On failure shows kWriteFileFailed once, leaves the old file
/// as it was and no partial file behind, and returns false.
bool WriteWholeFile(UserMessages& messages, const std::string& path, std::string_view bytes);

}  // namespace orvalis
