#include "platform/Utf8.h"

#include <algorithm>

namespace quorvex {
namespace {

// Text is converted through a small buffer and appended to the result a block
// at a time: sizing the result for the worst case would write (and clear)
// two or three times the memory the text needs.
constexpr std::size_t kBlock = 2048;

bool IsContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of the well-formed sequence at bytes[i], and its length; 0
// for an ill-formed one.
int ReadSequence(std::span<const std::uint8_t> bytes, std::size_t i, std::uint32_t& code) {
    const std::uint8_t lead = bytes[i];
    const std::size_t left = bytes.size() - i;
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && IsContinuation(bytes[i + 1])) {
        code = (lead & 0x1Fu) << 6 | (bytes[i + 1] & 0x3Fu);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && IsContinuation(bytes[i + 1]) && IsContinuation(bytes[i + 2])) {
        code = (lead & 0x0Fu) << 12 | (bytes[i + 1] & 0x3Fu) << 6 | (bytes[i + 2] & 0x3Fu);
        // Overlong forms and surrogates are not UTF-8.
        return code >= 0x800 && (code < 0xD800 || code > 0xDFFF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && IsContinuation(bytes[i + 1]) && IsContinuation(bytes[i + 2]) &&
        IsContinuation(bytes[i + 3])) {
        code = (lead & 0x07u) << 18 | (bytes[i + 1] & 0x3Fu) << 12 | (bytes[i + 2] & 0x3Fu) << 6 | (bytes[i + 3] & 0x3Fu);
        return code >= 0x10000 && code <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::string EncodeUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 4);
    char block[kBlock + 4];
    // Pointers held in locals: a store through a char pointer could change
    // any member, so the loop would otherwise read them again at every byte.
    const char16_t* in = text.data();
    const char16_t* const end = in + text.size();
    while (in < end) {
        char* out = block;
        char* const full = block + kBlock;
        while (in < end && out < full) {
            // A run of ASCII, most of a script.
            for (const char16_t* runEnd = in + std::min<std::ptrdiff_t>(end - in, full - out); in < runEnd && *in < 0x80;)
                *out++ = static_cast<char>(*in++);
            if (in == end || out >= full) break;
            std::uint32_t code = *in++;
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
    return bytes;
}

std::optional<std::u16string> DecodeUtf8TextFile(std::span<const std::uint8_t> bytes) {
    const std::size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    std::u16string text;
    // Never more units than bytes, and a CR for every LF.
    text.reserve(bytes.size() - start + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    char16_t block[kBlock + 2];
    std::size_t used = 0;
    std::size_t i = start;
    while (i < bytes.size()) {
        if (used >= kBlock) {
            text.append(block, used);
            used = 0;
        }
        // A run of printable ASCII, nearly every byte of a script.
        for (const std::size_t runEnd = std::min(bytes.size(), i + (kBlock - used)); i < runEnd;) {
            if (static_cast<unsigned>(bytes[i] - 0x20) >= 0x60) break;
            block[used++] = bytes[i++];
        }
        if (i >= bytes.size() || used >= kBlock) continue;
        const std::uint8_t byte = bytes[i];
        if (byte == 0) break;
        if (byte < 0x80) {
            // A CR is one byte of its own, so the character before an LF is a CR exactly when the byte before it is.
            if (byte == '\n' && (i == start || bytes[i - 1] != '\r')) block[used++] = u'\r';
            block[used++] = byte;
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        const int length = ReadSequence(bytes, i, code);
        if (length == 0) return std::nullopt;
        i += static_cast<std::size_t>(length);
        if (code >= 0x10000) {
            block[used++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            code = 0xDC00 + ((code - 0x10000) & 0x3FF);
        }
        block[used++] = static_cast<char16_t>(code);
    }
    text.append(block, used);
    return text;
}

}  // namespace quorvex
