#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvalis {

/// The little-endian 32-bit word at `bytes`.
inline std::uint32_t LoadLittleEndian(const unsigned char* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
    }
    return word;
}

/// The little-endian word at `bytes` as a page is read: every zero byte counted as a space.
inline std::uint32_t PageWord(const unsigned char* bytes) {
    unsigned char word[4];
    for (int i = 0; i < 4; ++i) word[i] = bytes[i] == 0 ? ' ' : bytes[i];
    return LoadLittleEndian(word);
}

/// Adds `blocks` whole 32-byte blocks of page bytes to eight lane sums (word k of a block into
/// lane k, words little-endian), every zero byte counted as a space. On the way it looks for the
/// runs "e>4" and "-eq" (letters in either case): every 404 title carries the first ("title>404")
/// and every refresh tag the second ("http-equiv"), while markup seldom does, so only pieces with
/// a run need the exact tag search. Neither run holds a space, so zero bytes cannot make or break
/// one. A run is looked for at every position of the blocks whose run ends within `readable`
/// bytes from `bytes`.
/// Returns true when a run was found. Runs at memory speed (vector instructions where the
/// processor has them).
bool AddPageBlocks(const unsigned char* bytes, std::size_t blocks, std::size_t readable,
                   std::uint32_t* lanes);

/// The ways AddPageBlocks can do its work; all give the same results.
enum class PageBlockKernel { Plain, Sse2, Avx2 };

/// True when this processor can run `kernel`.
bool CanRun(PageBlockKernel kernel);

/// AddPageBlocks with a given kernel, which must be one this processor can run.
bool AddPageBlocksWith(PageBlockKernel kernel, const unsigned char* bytes, std::size_t blocks,
                       std::size_t readable, std::uint32_t* lanes);

/// True when a run starts at one of the positions [from, to) and ends within `readable` bytes.
bool HasTagRun(const unsigned char* bytes, std::size_t from, std::size_t to, std::size_t readable);

}  // namespace orvalis
