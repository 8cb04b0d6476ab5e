#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace stratex {

// Byte searches over map text, eight bytes at a time. Map lines are mostly short, where a library memchr
// call costs more than the search itself; long lines are handed to memchr after the first few words.
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
    constexpr int kWordsBeforeMemchr = 2;
    for (int n = 0; n < kWordsBeforeMemchr && end - p >= 8; ++n, p += 8) {
        if (const Word mask = MatchMask(Load(p), c)) return p + FirstFlagged(mask);
    }
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

// The first CR or LF in [p, end), or end when there is none.
inline const char* FindLineEnd(const char* p, const char* end) {
    constexpr int kWordsBeforeMemchr = 32;
    if (const char* found = FindLineEndInWords(p, end, kWordsBeforeMemchr)) return found;
    if (p >= end) return end;
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* limit = lf ? static_cast<const char*>(lf) : end;
    const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(limit - p));
    return cr ? static_cast<const char*>(cr) : limit;
}

}  // namespace bytescan

}  // namespace stratex
