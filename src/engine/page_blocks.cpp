#include "engine/page_blocks.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <immintrin.h>
#define ORVALIS_HAS_SSE2 1
#if defined(__GNUC__)
#define ORVALIS_HAS_AVX2_DISPATCH 1
#endif
#endif

namespace orvalis {

namespace {

unsigned char Folded(unsigned char c) { return c | 0x20; }  // exact for the letters e and q

bool IsTagRun(const unsigned char* run) {
    return (Folded(run[0]) == 'e' && run[1] == '>' && run[2] == '4') ||
           (run[0] == '-' && Folded(run[1]) == 'e' && Folded(run[2]) == 'q');
}

bool AddBlocksScalar(const unsigned char* bytes, std::size_t blocks, std::size_t readable,
                     std::uint32_t* lanes) {
    for (std::size_t block = 0; block < blocks; ++block) {
        for (int lane = 0; lane < 8; ++lane) lanes[lane] += PageWord(bytes + 32 * block + 4 * lane);
    }
    return HasTagRun(bytes, 0, 32 * blocks, readable);
}

#if ORVALIS_HAS_SSE2
// Sixteen bytes: their words, zeros as spaces, into `sum`; the runs starting there into `tag`.
inline void AddSixteenSse2(const unsigned char* at, __m128i& sum, __m128i& tag) {
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 2));
    const __m128i zero = _mm_cmpeq_epi8(a, _mm_setzero_si128());
    sum = _mm_add_epi32(sum, _mm_or_si128(a, _mm_and_si128(zero, space)));
    const __m128i title =
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, space), _mm_set1_epi8('e')),
                                    _mm_cmpeq_epi8(b, _mm_set1_epi8('>'))),
                      _mm_cmpeq_epi8(c, _mm_set1_epi8('4')));
    const __m128i refresh =
        _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, _mm_set1_epi8('-')),
                                    _mm_cmpeq_epi8(_mm_or_si128(b, space), _mm_set1_epi8('e'))),
                      _mm_cmpeq_epi8(_mm_or_si128(c, space), _mm_set1_epi8('q')));
    tag = _mm_or_si128(tag, _mm_or_si128(title, refresh));
}

bool AddBlocksSse2(const unsigned char* bytes, std::size_t blocks, std::size_t readable,
                   std::uint32_t* lanes) {
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + 4));
    __m128i tag = _mm_setzero_si128();
    // The vector loads read two bytes past a block, so the last block may need the plain path.
    const std::size_t vectorBlocks = readable >= 32 * blocks + 2 ? blocks : blocks - 1;
    for (std::size_t block = 0; block < vectorBlocks; ++block) {
        AddSixteenSse2(bytes + 32 * block, low, tag);
        AddSixteenSse2(bytes + 32 * block + 16, high, tag);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 4), high);
    const bool found = _mm_movemask_epi8(tag) != 0;
    if (vectorBlocks == blocks) return found;
    const std::size_t done = 32 * vectorBlocks;
    const bool foundInLast = AddBlocksScalar(bytes + done, 1, readable - done, lanes);
    return found || foundInLast;
}
#endif

#if ORVALIS_HAS_AVX2_DISPATCH
__attribute__((target("avx2"))) bool AddBlocksAvx2(const unsigned char* bytes, std::size_t blocks,
                                                   std::size_t readable, std::uint32_t* lanes) {
    const __m256i space = _mm256_set1_epi8(' ');
    __m256i sum = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
    __m256i tag = _mm256_setzero_si256();
    const std::size_t vectorBlocks = readable >= 32 * blocks + 2 ? blocks : blocks - 1;
    for (std::size_t block = 0; block < vectorBlocks; ++block) {
        const unsigned char* at = bytes + 32 * block;
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 2));
        const __m256i zero = _mm256_cmpeq_epi8(a, _mm256_setzero_si256());
        sum = _mm256_add_epi32(sum, _mm256_or_si256(a, _mm256_and_si256(zero, space)));
        const __m256i title = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, space), _mm256_set1_epi8('e')),
                             _mm256_cmpeq_epi8(b, _mm256_set1_epi8('>'))),
            _mm256_cmpeq_epi8(c, _mm256_set1_epi8('4')));
        const __m256i refresh = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, _mm256_set1_epi8('-')),
                             _mm256_cmpeq_epi8(_mm256_or_si256(b, space), _mm256_set1_epi8('e'))),
            _mm256_cmpeq_epi8(_mm256_or_si256(c, space), _mm256_set1_epi8('q')));
        tag = _mm256_or_si256(tag, _mm256_or_si256(title, refresh));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), sum);
    const bool found = _mm256_movemask_epi8(tag) != 0;
    if (vectorBlocks == blocks) return found;
    const std::size_t done = 32 * vectorBlocks;
    const bool foundInLast = AddBlocksScalar(bytes + done, 1, readable - done, lanes);
    return found || foundInLast;
}

#endif

}  // namespace

bool HasTagRun(const unsigned char* bytes, std::size_t from, std::size_t to, std::size_t readable) {
    const std::size_t end = std::min(to, readable >= 2 ? readable - 2 : 0);
    for (std::size_t at = from; at < end; ++at) {
        if (IsTagRun(bytes + at)) return true;
    }
    return false;
}

bool CanRun(PageBlockKernel kernel) {
    switch (kernel) {
        case PageBlockKernel::Plain:
            return true;
#if ORVALIS_HAS_SSE2
        case PageBlockKernel::Sse2:
            return true;
#endif
#if ORVALIS_HAS_AVX2_DISPATCH
        case PageBlockKernel::Avx2: {
            static const bool avx2 = __builtin_cpu_supports("avx2");
            return avx2;
        }
#endif
        default:
            return false;
    }
}

bool AddPageBlocksWith(PageBlockKernel kernel, const unsigned char* bytes, std::size_t blocks,
                       std::size_t readable, std::uint32_t* lanes) {
    if (blocks == 0) return false;
    switch (kernel) {
#if ORVALIS_HAS_AVX2_DISPATCH
        case PageBlockKernel::Avx2:
            return AddBlocksAvx2(bytes, blocks, readable, lanes);
#endif
#if ORVALIS_HAS_SSE2
        case PageBlockKernel::Sse2:
            return AddBlocksSse2(bytes, blocks, readable, lanes);
#endif
        default:
            return AddBlocksScalar(bytes, blocks, readable, lanes);
    }
}

bool AddPageBlocks(const unsigned char* bytes, std::size_t blocks, std::size_t readable,
                   std::uint32_t* lanes) {
    static const PageBlockKernel best = CanRun(PageBlockKernel::Avx2)   ? PageBlockKernel::Avx2
                                        : CanRun(PageBlockKernel::Sse2) ? PageBlockKernel::Sse2
                                                                        : PageBlockKernel::Plain;
    return AddPageBlocksWith(best, bytes, blocks, readable, lanes);
}

}  // namespace orvalis
