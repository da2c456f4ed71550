#include "chartable/CharTable.h"

#include "chartable/ByteIndex.h"
#include "chartable/TableLines.h"
#include "chartable/TextIndex.h"
#include "platform/Files.h"

#include <algorithm>
#include <limits>

namespace quorvex {
namespace {

std::int32_t ComputeLongestTextLength(std::u16string_view text) {
    std::size_t longest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t pair = text.find(u"\r\n", start);
        std::size_t end = pair;
        if (pair == std::u16string_view::npos) {
            // The rest is a last line without line end only when more than the appended CR is left.
            if (text.size() - start <= 1) break;
            end = text.size() - 1;
        }
        const std::size_t equals = text.substr(start, end - start).find(u'=');
        if (equals != std::u16string_view::npos) longest = std::max(longest, end - (start + equals) - 1);
        if (pair == std::u16string_view::npos) break;
        start = pair + 2;
    }
    return static_cast<std::int32_t>(std::min<std::size_t>(longest, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

struct CharTable::Index {
    tableindex::ByteIndex bytes;
    tableindex::TextIndex text;
};

CharTable::CharTable(std::u16string text, std::int32_t longestTextLength, std::unique_ptr<Index> index,
                     bool hasUnreadLines)
    : m_text(std::move(text)),
      m_longestTextLength(longestTextLength),
      m_hasUnreadLines(hasUnreadLines),
      m_index(std::move(index)) {}

CharTable::CharTable(CharTable&&) noexcept = default;
CharTable& CharTable::operator=(CharTable&&) noexcept = default;
CharTable::~CharTable() = default;

CharTable CharTable::FromText(std::u16string_view fileText) {
    tableindex::TableLines lines = tableindex::ReadTableLines(fileText);
    auto index = std::make_unique<Index>();
    index->bytes.Build(lines.framed, lines.linked);
    index->text.Build(lines.framed);
    const std::int32_t longest = ComputeLongestTextLength(lines.framed);
    return CharTable(std::move(lines.framed), longest, std::move(index), lines.hasUnreadLines);
}

CharTable CharTable::LoadFile(const std::filesystem::path& path, const TextDecoding& decoding) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return FromText(DecodeTextFile(bytes, decoding));
}

std::optional<CharTable::ByteMatch> CharTable::LookupBytes(std::span<const std::uint16_t> bytes, std::size_t p) const {
    if (!m_index || p >= bytes.size()) return std::nullopt;
    for (std::size_t length = 3; length >= 1; --length) {
        if (bytes.size() - p < length) continue;
        std::uint32_t value = 0;
        bool fits = true;
        for (std::size_t i = 0; i < length; ++i) {
            // A value above 0xFF would print as more than two digits: no entry key can hold it.
            fits = fits && bytes[p + i] <= 0xFF;
            value = (value << 8) | (bytes[p + i] & 0xFFu);
        }
        if (!fits) continue;
        if (const auto* found = m_index->bytes.Find(length, value))
            return ByteMatch{std::u16string_view(m_text).substr(found->start, found->length), static_cast<int>(length),
                             found->parameters};
    }
    return std::nullopt;
}

CharTable::TextMatch CharTable::LookupText(std::u16string_view script, std::size_t pos,
                                           std::int32_t longestTextLength) const {
    if (!m_index || longestTextLength <= 0 || pos >= script.size()) return {};
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(longestTextLength), script.size() - pos);
    return m_index->text.Lookup(m_text, script, pos, limit);
}

void CharTable::FindTextMatches(std::u16string_view script, std::size_t pos, std::size_t lineEnd,
                                std::vector<TextMatch>& matches) const {
    matches.clear();
    lineEnd = std::min(lineEnd, script.size());
    if (!m_index || m_longestTextLength <= 0 || pos >= lineEnd) return;
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(m_longestTextLength), lineEnd - pos);
    m_index->text.FindAll(m_text, script, pos, limit, matches);
}

bool CharTable::OnlyMatchOf(char16_t c, TextMatch& match) const {
    if (c == u'\r') return false;
    if (!m_index || m_longestTextLength <= 0) {
        match = TextMatch{};
        return true;
    }
    return m_index->text.OnlyMatchOf(c, match);
}

bool CharTable::UsesByte(std::uint8_t byte) const {
    return m_index && (m_index->bytes.firstBytes().test(byte) || m_index->text.firstBytes().test(byte));
}

}  // namespace quorvex
