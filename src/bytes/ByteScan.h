#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define STRATEX_BYTESCAN_SSE2 1
#endif

namespace stratex {

// Byte searches over map text, sixteen bytes at a time where the processor can (eight elsewhere). Map lines
// are mostly short, where a library memchr call costs more than the search itself; long lines are handed to
// memchr after the first few blocks.
namespace bytescan {

using Word = std::uint64_t;

inline constexpr Word kOnes = 0x0101010101010101ULL;
inline constexpr Word kLow7 = 0x7F7F7F7F7F7F7F7FULL;

inline Word Load(const char* p) {
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

inline void Store(char* p, Word word) { std::memcpy(p, &word, sizeof word); }

// 0x80 in every byte of word that equals c, 0 in every other byte (exact, no false positives).
inline Word MatchMask(Word word, char c) {
    const Word x = word ^ (kOnes * static_cast<unsigned char>(c));
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The position within the word of the first byte flagged in a non-zero mask, in memory order.
inline std::size_t FirstFlagged(Word mask) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<std::size_t>(std::countr_zero(mask)) / 8;
    } else {
        return static_cast<std::size_t>(std::countl_zero(mask)) / 8;
    }
}

// The number of bytes flagged in a mask from MatchMask. A multiply sums the flags into the top byte: without
// a popcount instruction in the target's base set, std::popcount is a library call in the hottest loops.
inline int CountFlagged(Word mask) { return static_cast<int>(((mask >> 7) * kOnes) >> 56); }

// The first c in [p, end), or end when there is none.
inline const char* Find(const char* p, const char* end, char c) {
#ifdef STRATEX_BYTESCAN_SSE2
    constexpr int kBlocksBeforeMemchr = 4;
    const __m128i wanted = _mm_set1_epi8(c);
    for (int n = 0; n < kBlocksBeforeMemchr && end - p >= 16; ++n, p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted));
        if (mask != 0) return p + std::countr_zero(static_cast<unsigned>(mask));
    }
#else
    constexpr int kWordsBeforeMemchr = 2;
    for (int n = 0; n < kWordsBeforeMemchr && end - p >= 8; ++n, p += 8) {
        if (const Word mask = MatchMask(Load(p), c)) return p + FirstFlagged(mask);
    }
#endif
    if (p >= end) return end;
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found ? static_cast<const char*>(found) : end;
}

// Non-zero when word may hold a CR or LF: flags every byte below 0x0E, and maybe bytes after one (a borrow),
// never none when there is one. Four operations instead of the two exact matches' twelve.
inline Word MayHoldLineEnd(Word word) { return (word - kOnes * 0x0E) & ~word & (kOnes * 0x80); }

// Looks at up to words whole words from p for a CR or LF. Returns it, or nullptr with p moved past the
// words looked at.
inline const char* FindLineEndInWords(const char*& p, const char* end, int words) {
    for (int n = 0; n < words && end - p >= 8; ++n, p += 8) {
        const Word word = Load(p);
        if (!MayHoldLineEnd(word)) continue;
        if (const Word mask = MatchMask(word, '\n') | MatchMask(word, '\r')) return p + FirstFlagged(mask);
    }
    return nullptr;
}

// True where FindLineEnd compares sixteen bytes at a time (x86-64 always can): it is then fast for lines of
// any length, and the short-line search in words is not needed.
#ifdef STRATEX_BYTESCAN_SSE2
inline constexpr bool kSixteenAtATime = true;
#else
inline constexpr bool kSixteenAtATime = false;
#endif

// The first CR or LF in [p, end), or end when there is none.
inline const char* FindLineEnd(const char* p, const char* end) {
#ifdef STRATEX_BYTESCAN_SSE2
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const char* const start = p;
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
        if (mask != 0) return p + std::countr_zero(static_cast<unsigned>(mask));
    }
    if (p < end && end - start >= 16) {
        // The last sixteen bytes of the range, of which those before p were searched already.
        const char* const last = end - 16;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr))));
        const unsigned ahead = mask >> (p - last);
        return ahead != 0 ? p + std::countr_zero(ahead) : end;
    }
    for (; p < end; ++p) {
        if (*p == '\n' || *p == '\r') return p;
    }
    return end;
#else
    constexpr int kWordsBeforeMemchr = 32;
    if (const char* found = FindLineEndInWords(p, end, kWordsBeforeMemchr)) return found;
    if (p >= end) return end;
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* limit = lf ? static_cast<const char*>(lf) : end;
    const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(limit - p));
    return cr ? static_cast<const char*>(cr) : limit;
#endif
}

}  // namespace bytescan

}  // namespace stratex
