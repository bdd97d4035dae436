#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvalis::test {

/// What an outside branding tool writes into a program file's branding record.
struct BrandingPatch {
    std::int32_t unbranded = 0;  ///< 0 marks the record as filled in
    std::int32_t resellerNumber = 0;
    std::int32_t secondNumber = 0;
    std::string displayName;  ///< up to 60 bytes; 60 leaves the field without a NUL
    std::string resellerName;
    std::string webAddress;
    std::optional<std::string> alternateName;  ///< nothing: the block's own bytes stay
};

/// Every offset at which `needle` occurs in `bytes`.
std::vector<std::size_t> FindAll(const std::string& bytes, const std::string& needle);

/// Rewrites the branding record in the program file at `path` as the branding tool does: finds
/// the block by its marker (both copies, 1060 bytes apart, and no other), clears the record and
/// writes the patch. Returns an empty text, or what went wrong.
std::string PatchBrandingRecord(const std::string& path, const BrandingPatch& patch);

}  // namespace orvalis::test
