#pragma once

#include <cstdint>
#include <string>

#include "engine/app_settings.h"
#include "engine/site_list.h"
#include "shell/profile_store.h"

namespace orvalis {

/// The most site sections a load reads, so a damaged "NumSites" cannot make it walk billions.
inline constexpr std::uint32_t kMaxStoredSites = 100000;

/// The profile section that holds a row's address, status and fingerprint: "Site0", "Site1", ...
std::string SiteSection(std::uint32_t row);

/// Reads every stored setting into `settings` (missing ones take their defaults), then appends
/// the stored sites to `sites`. Runs once at start-up, before the checking thread exists.
void LoadProfile(ProfileStore& store, SharedSettings& settings, SiteList& sites);

/// Writes the twelve stored settings as one save; never touches the sites or their count.
void SaveSettings(ProfileStore& store, const SharedSettings& settings);

/// Writes every row and then the row count as one save; never touches a setting.
void SaveSites(ProfileStore& store, const SiteList& sites);

}  // namespace orvalis
