#include "platform/Utf8.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvex {
namespace {

// Text is converted through a small buffer and appended to the result a block
// at a time: sizing the result for the worst case would write (and clear)
// two or three times the memory the text needs.
constexpr std::size_t kBlock = 2048;

bool IsContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of the well-formed sequence at `in` (before `end`), and its
// length; 0 for an ill-formed one. Three-byte sequences, the letters of most
// scripts beyond ASCII, are tried first.
int ReadSequence(const std::uint8_t* in, const std::uint8_t* end, std::uint32_t& code) {
    const std::uint8_t lead = in[0];
    const std::ptrdiff_t left = end - in;
    if ((lead & 0xF0) == 0xE0) {
        if (left < 3 || !IsContinuation(in[1]) || !IsContinuation(in[2])) return 0;
        code = (lead & 0x0Fu) << 12 | (in[1] & 0x3Fu) << 6 | (in[2] & 0x3Fu);
        // Overlong forms and surrogates are not UTF-8.
        return code >= 0x800 && (code & 0xF800) != 0xD800 ? 3 : 0;
    }
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && IsContinuation(in[1])) {
        code = (lead & 0x1Fu) << 6 | (in[1] & 0x3Fu);
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && IsContinuation(in[1]) && IsContinuation(in[2]) &&
        IsContinuation(in[3])) {
        code = (lead & 0x07u) << 18 | (in[1] & 0x3Fu) << 12 | (in[2] & 0x3Fu) << 6 | (in[3] & 0x3Fu);
        return code >= 0x10000 && code <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

// How many of the eight bytes at `in` are printable ASCII before the first
// that is not: a script is mostly runs of such bytes, read here a word at a time.
int PrintableRun(const std::uint8_t* in) {
    // Assembled byte by byte, first byte lowest, which compilers read as one load.
    std::uint64_t word = 0;
    for (int k = 0; k < 8; ++k) word |= static_cast<std::uint64_t>(in[k]) << (8 * k);
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    // Below 0x80 a byte plus 0x60 reaches the high bit exactly when it is 0x20 or more, with no carry out.
    const std::uint64_t atLeastSpace = ((word & ~kHigh) + 0x6060606060606060ULL) & kHigh;
    const std::uint64_t notPrintable = (word | ~atLeastSpace) & kHigh;
    return notPrintable == 0 ? 8 : std::countr_zero(notPrintable) / 8;
}

// The eight bytes at `in` as eight units at `out`.
void WidenEight(const std::uint8_t* in, char16_t* out) {
#if defined(__SSE2__)
    // Compilers widen byte by byte, one insert per unit: three instructions do it here.
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
    for (int k = 0; k < 8; ++k) out[k] = in[k];
#endif
}

}  // namespace

std::string EncodeUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 4);
    AppendUtf8(bytes, text);
    return bytes;
}

void AppendUtf8(std::string& bytes, std::u16string_view text) {
    // A unit takes at most three bytes (a pair of surrogates four for two):
    // a block has room for a chunk of kBlock / 3 units without a check per unit.
    char block[kBlock + 4];
    // Pointers held in locals: a store through a char pointer could change
    // any member, so the loop would otherwise read them again at every byte.
    const char16_t* in = text.data();
    const char16_t* const end = in + text.size();
    while (in < end) {
        char* out = block;
        const char16_t* const chunkEnd = in + std::min<std::ptrdiff_t>(end - in, kBlock / 3);
        while (in < chunkEnd) {
            std::uint32_t code = *in++;
            if (code < 0x80) {
                *out++ = static_cast<char>(code);
                continue;
            }
            if (code < 0x800) {
                *out++ = static_cast<char>(0xC0 | code >> 6);
                *out++ = static_cast<char>(0x80 | (code & 0x3F));
                continue;
            }
            if (code >= 0xD800 && code <= 0xDFFF) {
                if (code <= 0xDBFF && in < end && *in >= 0xDC00 && *in <= 0xDFFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (*in++ - 0xDC00u);
                    *out++ = static_cast<char>(0xF0 | code >> 18);
                    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    *out++ = static_cast<char>(0x80 | (code & 0x3F));
                    continue;
                }
                code = 0xFFFD;  // an unpaired surrogate
            }
            *out++ = static_cast<char>(0xE0 | code >> 12);
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        }
        bytes.append(block, static_cast<std::size_t>(out - block));
    }
}

std::optional<std::u16string> DecodeUtf8TextFile(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* const first = bytes.data();
    const std::uint8_t* const end = first + bytes.size();
    const std::uint8_t* const start = bytes.size() >= 3 && first[0] == 0xEF && first[1] == 0xBB && first[2] == 0xBF ? first + 3 : first;
    std::u16string text;
    // Never more units than bytes; a CR for every LF, which a line of some 16 bytes or more leaves room for.
    text.reserve(bytes.size() + bytes.size() / 16);
    // A byte gives at most two units (an LF its CR): a chunk of kBlock / 2 bytes needs no check per byte.
    // Eight units are widened at a time, however many of them are kept.
    char16_t block[kBlock + 8];
    const std::uint8_t* in = start;
    while (in < end) {
        char16_t* out = block;
        const std::uint8_t* const chunkEnd = in + std::min<std::ptrdiff_t>(end - in, kBlock / 2);
        while (in < chunkEnd) {
            const std::uint8_t byte = *in;
            if (static_cast<unsigned>(byte - 0x20) < 0x60) {  // printable ASCII, nearly every byte of a script
                if (chunkEnd - in < 8) {
                    *out++ = byte;
                    ++in;
                    continue;
                }
                // The run goes on a word at a time: it is at least this byte long.
                const int run = PrintableRun(in);
                WidenEight(in, out);
                in += run;
                out += run;
                continue;
            }
            if (byte == 0) {
                text.append(block, static_cast<std::size_t>(out - block));
                return text;
            }
            if (byte < 0x80) {
                // A CR is a byte of its own: the character before an LF is a CR exactly when the byte before it is.
                if (byte == '\n' && (in == start || in[-1] != '\r')) *out++ = u'\r';
                *out++ = byte;
                ++in;
                continue;
            }
            std::uint32_t code = 0;
            const int length = ReadSequence(in, end, code);
            if (length == 0) return std::nullopt;
            in += length;
            if (code >= 0x10000) {
                *out++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                code = 0xDC00 + ((code - 0x10000) & 0x3FF);
            }
            *out++ = static_cast<char16_t>(code);
        }
        text.append(block, static_cast<std::size_t>(out - block));
    }
    return text;
}

}  // namespace quorvex
