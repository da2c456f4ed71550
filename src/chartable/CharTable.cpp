#include "chartable/CharTable.h"

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
    tableindex::TextIndex text;
};

CharTable::CharTable(std::u16string text, std::int32_t longestTextLength, std::unique_ptr<Index> index,
                     bool hasUnreadLines)
    : m_text(std::move(text)),
      m_longestTextLength(longestTextLength),
      m_hasUnreadLines(hasUnreadLines),
      m_index(std::move(index)) {
    m_index->text.FillCharacters(m_characters, kBeginsLongerText);
}

CharTable::CharTable(CharTable&&) noexcept = default;
CharTable& CharTable::operator=(CharTable&&) noexcept = default;
CharTable::~CharTable() = default;

CharTable CharTable::FromText(std::u16string_view fileText) {
    tableindex::TableLines lines = tableindex::ReadTableLines(fileText);
    auto index = std::make_unique<Index>();
    index->text.Build(lines.framed);
    const std::int32_t longest = ComputeLongestTextLength(lines.framed);
    CharTable table(std::move(lines.framed), longest, std::move(index), lines.hasUnreadLines);
    table.m_bytes.Build(table.m_text, lines.linked);
    return table;
}

CharTable CharTable::LoadFile(const std::filesystem::path& path, const TextDecoding& decoding) {
    return FromText(DecodeTextFile(ReadFileBytes(path).bytes(), decoding));
}

CharTable::TextMatch CharTable::LookupLongerText(std::u16string_view script, std::size_t pos,
                                                 std::int32_t longestTextLength) const {
    if (!m_index || longestTextLength <= 0 || pos >= script.size()) return {};
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(longestTextLength), script.size() - pos);
    return m_index->text.Lookup(script, pos, limit);
}

void CharTable::FindTextMatches(std::u16string_view script, std::size_t pos, std::size_t lineEnd,
                                std::vector<TextMatch>& matches) const {
    matches.clear();
    lineEnd = std::min(lineEnd, script.size());
    if (!m_index || m_longestTextLength <= 0 || pos >= lineEnd) return;
    const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(m_longestTextLength), lineEnd - pos);
    m_index->text.FindAll(script, pos, limit, matches);
}

const tableindex::TextMatcher& CharTable::Matcher() const {
    // Only a table moved from has no index: it matches nothing.
    static const tableindex::TextMatcher none({});
    return m_index ? m_index->text.Matcher(m_text) : none;
}

bool CharTable::UsesByte(std::uint8_t byte) const {
    return m_bytes.firstBytes().test(byte) || (m_index && m_index->text.firstBytes().test(byte));
}

}  // namespace quorvex
