#include "insert/TableExtension.h"

#include "platform/Numbers.h"

namespace quorvex {

std::u16string TableLine(const SuggestedEntry& entry) {
    return FormatHex2(entry.code) + u"=" + entry.text;
}

std::u16string ExtendTableText(std::u16string_view tableText, std::span<const SuggestedEntry> entries) {
    std::u16string text(tableText);
    if (!text.empty() && text.back() != u'\n') text += u"\r\n";
    for (const SuggestedEntry& entry : entries) text += TableLine(entry) + u"\r\n";
    return text;
}

std::optional<std::vector<std::uint8_t>> ExtendTableFile(std::span<const std::uint8_t> fileBytes,
                                                         const TextDecoding& decoding,
                                                         std::span<const SuggestedEntry> entries) {
    const std::u16string oldText = DecodeTextFile(fileBytes, decoding);
    const bool littleEndian = fileBytes.size() >= 2 && fileBytes[0] == 0xFF && fileBytes[1] == 0xFE;
    const bool bigEndian = fileBytes.size() >= 2 && fileBytes[0] == 0xFE && fileBytes[1] == 0xFF;
    const std::size_t unit = littleEndian || bigEndian ? 2 : 1;
    const auto unitAt = [&](std::size_t i) -> char16_t {
        if (unit == 1) return fileBytes[i];
        const std::size_t at = 2 * i;
        return static_cast<char16_t>(littleEndian ? fileBytes[at] | fileBytes[at + 1] << 8
                                                  : fileBytes[at] << 8 | fileBytes[at + 1]);
    };
    const std::size_t units = fileBytes.size() / unit;

    // The file's own line end: that of its first line.
    std::u16string_view lineEnd = u"\r\n";
    for (std::size_t i = 0; i < units; ++i) {
        if (unitAt(i) != u'\n') continue;
        if (i == 0 || unitAt(i - 1) != u'\r') lineEnd = u"\n";
        break;
    }
    std::u16string appended;
    // A bare CR before a bare LF would read as one line end.
    if (!oldText.empty() && oldText.back() != u'\n') appended += oldText.back() == u'\r' ? u"\r\n" : lineEnd;
    for (const SuggestedEntry& entry : entries) {
        appended += TableLine(entry);
        appended += lineEnd;
    }

    std::vector<std::uint8_t> bytes(fileBytes.begin(), fileBytes.end());
    if (unit == 2) {
        for (const char16_t c : appended) {
            const auto low = static_cast<std::uint8_t>(c & 0xFF);
            const auto high = static_cast<std::uint8_t>(c >> 8);
            bytes.push_back(littleEndian ? low : high);
            bytes.push_back(littleEndian ? high : low);
        }
    } else {
        const auto encoded = EncodeBytes(appended, decoding);
        if (!encoded) return std::nullopt;
        bytes.insert(bytes.end(), encoded->begin(), encoded->end());
    }
    if (DecodeTextFile(bytes, decoding) != ExtendTableText(oldText, entries)) return std::nullopt;
    return bytes;
}

}  // namespace quorvex
