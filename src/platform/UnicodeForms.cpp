#include "platform/UnicodeForms.h"

#include "platform/Utf8.h"

namespace quorvex::unicodeforms {
namespace {

// UTF-7 (RFC 2152) as ICU reads and writes it: set O written directly, and
// every ill-formed part read as one U+FFFD.
int Base64Value(unsigned byte) {
    if (byte >= 'A' && byte <= 'Z') return static_cast<int>(byte - 'A');
    if (byte >= 'a' && byte <= 'z') return static_cast<int>(byte - 'a' + 26);
    if (byte >= '0' && byte <= '9') return static_cast<int>(byte - '0' + 52);
    if (byte == '+') return 62;
    if (byte == '/') return 63;
    return -1;
}
bool IsUtf7Byte(unsigned byte) {
    return (byte >= 0x20 && byte < 0x7E && byte != '\\') || byte == '\r' || byte == '\n' || byte == '\t';
}
bool WrittenDirectly(char16_t unit) { return IsUtf7Byte(unit) && unit != '+'; }
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

// Every ill-formed part of UTF-8 becomes one U+FFFD: a byte that cannot
// start a sequence, or the longest start of a sequence that breaks off.
std::u16string DecodeUtf8(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned lead = bytes[i++];
        if (lead < 0x80) {
            text.push_back(static_cast<char16_t>(lead));
            continue;
        }
        const int more = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
        unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        char32_t codePoint = lead & (0x3F >> more);
        int read = 0;
        while (read < more && i < bytes.size() && bytes[i] >= low && bytes[i] <= high) {
            codePoint = (codePoint << 6) | (bytes[i++] & 0x3F);
            low = 0x80, high = 0xBF;
            ++read;
        }
        if (more > 0 && read == more) AppendCodePoint(text, codePoint);
        else text.push_back(kReplacement);
    }
    return text;
}

std::optional<std::string> EncodeUtf8Strict(std::u16string_view text) {
    bool unpaired = false;
    ForEachCodePoint(text, [&](char32_t c) { unpaired = unpaired || (c & kUnpaired) != 0; });
    if (unpaired) return std::nullopt;
    return EncodeUtf8(text);
}

std::u16string DecodeUtf16(std::span<const std::uint8_t> bytes, bool readMark, bool bigEndian) {
    if (readMark && bytes.size() >= 2 && ((bytes[0] == 0xFE && bytes[1] == 0xFF) || (bytes[0] == 0xFF && bytes[1] == 0xFE))) {
        bigEndian = bytes[0] == 0xFE;
        bytes = bytes.subspan(2);
    }
    std::u16string text;
    text.reserve(bytes.size() / 2);
    bool leadWaiting = false;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = bigEndian ? static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1])
                                        : static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (leadWaiting && !IsTrail(unit)) text.back() = kReplacement;
        if (IsTrail(unit) && !leadWaiting) text.push_back(kReplacement);
        else text.push_back(unit);
        leadWaiting = IsLead(unit);
    }
    if (leadWaiting) text.back() = kReplacement;
    else if (i < bytes.size()) text.push_back(kReplacement);
    return text;
}

std::optional<std::string> EncodeUtf16(std::u16string_view text, bool writeMark, bool bigEndian) {
    bool failed = false;
    ForEachCodePoint(text, [&](char32_t c) { failed = failed || (c & kUnpaired); });
    if (failed) return std::nullopt;
    std::string bytes = writeMark ? "\xFF\xFE" : "";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::u16string DecodeUtf7(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    bool direct = true;
    unsigned bits = 0;
    int sextets = -1;  // in base64: how many of the current three units' eight sextets were read, -1 right after '+'
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned byte = bytes[i];
        if (direct) {
            if (!IsUtf7Byte(byte)) text.push_back(kReplacement);
            else if (byte != '+') text.push_back(static_cast<char16_t>(byte));
            else direct = false, bits = 0, sextets = -1;
            continue;
        }
        const int value = Base64Value(byte);
        if (value >= 0) {
            bits = (bits << 6) | static_cast<unsigned>(value);
            sextets = sextets < 0 ? 1 : sextets + 1;
            const int spare = sextets == 3 ? 2 : sextets == 6 ? 4 : sextets == 8 ? 0 : -1;
            if (spare >= 0) {
                text.push_back(static_cast<char16_t>(bits >> spare));
                bits &= (1u << spare) - 1;
                if (sextets == 8) sextets = 0;
            }
            continue;
        }
        direct = true;
        if (byte == '-') {
            if (sextets == -1) text.push_back(u'+');
            else if (bits != 0) text.push_back(kReplacement);
        } else if (sextets == -1 || bits != 0) {
            text.push_back(kReplacement);
            --i;  // the byte that ended the base64 is read again
        } else if (!IsUtf7Byte(byte)) {
            text.push_back(kReplacement);
        } else {
            --i;
        }
    }
    if (!direct && bits != 0) text.push_back(kReplacement);
    return text;
}

std::string EncodeUtf7(std::u16string_view text) {
    std::string bytes;
    bool direct = true;
    unsigned bits = 0, spareBits = 0;
    const auto closeBase64 = [&](bool minus) {
        if (spareBits != 0) bytes.push_back(kBase64[bits << (6 - spareBits)]);
        if (minus) bytes.push_back('-');
        direct = true;
    };
    for (char16_t unit : text) {
        if (!direct && WrittenDirectly(unit)) closeBase64(Base64Value(unit) >= 0 || unit == '-');
        if (direct && WrittenDirectly(unit)) {
            bytes.push_back(static_cast<char>(unit));
        } else if (direct && unit == '+') {
            bytes += "+-";
        } else {
            if (direct) bytes.push_back('+'), direct = false, bits = 0, spareBits = 0;
            bits = (bits << 16) | unit;
            spareBits += 16;
            for (; spareBits >= 6; spareBits -= 6) bytes.push_back(kBase64[(bits >> (spareBits - 6)) & 0x3F]);
            bits &= (1u << spareBits) - 1;
        }
    }
    if (!direct) closeBase64(true);
    return bytes;
}

}  // namespace quorvex::unicodeforms
