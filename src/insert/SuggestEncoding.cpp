#include "insert/SuggestEncoding.h"

#include "chartable/CharTable.h"

namespace quorvex::suggest {
namespace {

// The least bytes from `at` to the line's end, given those from every later place.
template <class After>
std::int64_t ShortestFrom(const Text& text, const Appended& appended, std::size_t at, std::size_t end,
                          const After& after) {
    std::int64_t best = kUnreachable;
    const auto take = [&](std::size_t length, std::int64_t bytes) {
        best = std::min(best, bytes + after(at + length));
    };
    if (text.escapeAt[at]) {
        take(kEscapeLength, 1);
        return best;
    }
    for (std::uint32_t m = text.matchStart[at]; m < text.matchStart[at + 1]; ++m)
        take(text.matches[m].length, text.matches[m].bytes);
    appended.ForEachAt(text.chars, at, end, [&](std::size_t length) {
        take(length, 1);
        return true;
    });
    return std::min(best, kUnreachable);
}

bool IsControlCode(std::u16string_view text) {
    if (text.size() < 2) return false;
    const char16_t open = text.front();
    const char16_t close = text.back();
    return (open == u'[' && close == u']') || (open == u'{' && close == u'}') || (open == u'<' && close == u'>');
}

}  // namespace

Text::Text(const CharTable& table, std::span<const std::u16string_view> lines) {
    lineStart.push_back(0);
    for (const std::u16string_view line : lines) {
        chars.append(line);
        lineStart.push_back(chars.size());
    }
    lineOf.resize(chars.size());
    escapeAt.assign(chars.size(), 0);
    inControl.assign(chars.size(), 0);
    matchStart.reserve(chars.size() + 1);
    std::vector<CharTable::TextMatch> found;
    for (std::size_t line = 0; line < lines.size(); ++line) {
        const std::u16string_view view = lines[line];
        for (std::size_t i = 0; i < view.size(); ++i) {
            const std::size_t at = lineStart[line] + i;
            lineOf[at] = static_cast<std::uint32_t>(line);
            matchStart.push_back(static_cast<std::uint32_t>(matches.size()));
            if (IsEscapeAt(view, i, view.size())) {
                escapeAt[at] = 1;
                escapeBytes.set(EscapeValue(view, i));
                continue;
            }
            table.FindTextMatches(view, i, view.size(), found);
            for (const CharTable::TextMatch& match : found) {
                if (IsControlCode(view.substr(i, static_cast<std::size_t>(match.length))))
                    std::fill_n(inControl.begin() + static_cast<std::ptrdiff_t>(at), match.length, 1);
                matches.push_back({static_cast<std::uint32_t>(match.length),
                                   static_cast<std::uint32_t>(std::clamp(match.byteCount, 0, 3))});
                longestMatch = std::max(longestMatch, static_cast<std::size_t>(match.length));
            }
        }
    }
    matchStart.push_back(static_cast<std::uint32_t>(matches.size()));
}

void Appended::Push(std::u16string_view text) {
    m_texts.emplace_back(text);
    std::uint32_t& list = m_listOf[Key(text[0], text[1])];
    if (list == 0) {
        m_lists.emplace_back();
        list = static_cast<std::uint32_t>(m_lists.size());
    }
    std::vector<std::uint32_t>& entries = m_lists[list - 1];
    entries.push_back(static_cast<std::uint32_t>(m_texts.size() - 1));
    // Longest first: longest match takes the first that fits.
    std::stable_sort(entries.begin(), entries.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return m_texts[a].size() > m_texts[b].size(); });
    m_longest = std::max(m_longest, text.size());
}
void Appended::Pop() {
    const std::u16string& text = m_texts.back();
    std::vector<std::uint32_t>& entries = m_lists[m_listOf[Key(text[0], text[1])] - 1];
    entries.erase(std::find(entries.begin(), entries.end(), static_cast<std::uint32_t>(m_texts.size() - 1)));
    m_texts.pop_back();
    m_longest = 0;
    for (const std::u16string& kept : m_texts) m_longest = std::max(m_longest, kept.size());
}

Step LongestStep(const Text& text, const Appended& appended, std::size_t at, std::size_t end) {
    if (text.escapeAt[at]) return {static_cast<std::uint32_t>(kEscapeLength), 1};
    Step step;
    if (text.matchStart[at + 1] > text.matchStart[at]) {
        const TableMatch& longest = text.matches[text.matchStart[at + 1] - 1];
        step = {longest.length, longest.bytes};
    }
    // An appended text is never a text the table holds, so lengths never tie.
    appended.ForEachAt(text.chars, at, end, [&](std::size_t length) {
        if (length > step.length) step = {static_cast<std::uint32_t>(length), 1};
        return false;
    });
    return step;
}

Encoding::Encoding(const Text& text, bool shortest)
    : m_text(text), m_shortest(shortest), m_lineBytes(text.lineCount(), 0), m_steps(text.chars.size()),
      m_after(shortest ? text.chars.size() : 0, kUnreachable) {}

bool Encoding::Encode(const Appended& appended, std::size_t line) {
    const std::size_t start = m_text.lineStart[line];
    const std::size_t end = m_text.lineStart[line + 1];
    if (m_shortest) {
        for (std::size_t at = end; at-- > start;)
            m_after[at] = ShortestFrom(m_text, appended, at, end, [&](std::size_t next) { return After(next, end); });
        m_lineBytes[line] = After(start, end);
        return m_lineBytes[line] < kUnreachable;
    }
    std::int64_t bytes = 0;
    for (std::size_t at = start; at < end;) {
        const Step step = LongestStep(m_text, appended, at, end);
        if (step.length == 0) return false;
        m_steps[at] = step;
        bytes += step.bytes;
        at += step.length;
    }
    m_lineBytes[line] = bytes;
    return true;
}

std::optional<std::int64_t> Encoding::Change(const Appended& appended, std::span<const std::uint32_t> places,
                                             bool take) {
    std::int64_t saved = 0;
    for (std::size_t first = 0; first < places.size();) {
        const std::size_t line = m_text.lineOf[places[first]];
        std::size_t last = first;
        while (last + 1 < places.size() && m_text.lineOf[places[last + 1]] == line) ++last;
        const auto inLine = places.subspan(first, last - first + 1);
        const auto lineSaved = m_shortest ? std::optional(ShortestChange(appended, inLine, line, take))
                                          : LongestChange(appended, inLine, line, take);
        if (!lineSaved) return std::nullopt;
        saved += *lineSaved;
        first = last + 1;
    }
    return saved;
}

// Longest match: m_steps holds the step the walk takes at each place it
// stands at (length 0 elsewhere). The walk changes only where it stands on
// the candidate; from there it is walked anew until it stands where the
// old walk stood, after which the two agree up to the next such place.
std::optional<std::int64_t> Encoding::LongestChange(const Appended& appended, std::span<const std::uint32_t> places,
                                                    std::size_t line, bool take) {
    const std::size_t end = m_text.lineStart[line + 1];
    std::int64_t saved = 0;
    std::size_t next = 0;
    for (const std::size_t from : places) {
        if (from < next || m_steps[from].length == 0) continue;
        std::int64_t bytes = 0;
        std::size_t at = from;
        m_fresh.clear();
        do {
            const Step step = LongestStep(m_text, appended, at, end);
            if (step.length == 0) return std::nullopt;
            m_fresh.push_back({at, step});
            bytes += step.bytes;
            at += step.length;
        } while (at < end && m_steps[at].length == 0);
        for (std::size_t old = from; old < at;) {
            const Step step = m_steps[old];
            bytes -= step.bytes;
            if (take) m_steps[old] = {};
            old += step.length;
        }
        if (take)
            for (const auto& [place, step] : m_fresh) m_steps[place] = step;
        saved -= bytes;
        next = at;
    }
    if (take) m_lineBytes[line] -= saved;
    return saved;
}

// Shortest: m_after holds the least bytes from each place to its line's
// end. These change only at and before the candidate's places, and once
// they differ from the old ones by one same amount over as many places as
// the longest step, below every place of the candidate, they differ by
// that amount down to the line's start.
std::int64_t Encoding::ShortestChange(const Appended& appended, std::span<const std::uint32_t> places,
                                      std::size_t line, bool take) {
    const std::size_t start = m_text.lineStart[line];
    const std::size_t end = m_text.lineStart[line + 1];
    const std::size_t first = places.front();
    const std::size_t last = places.back();
    const std::size_t window = std::max(m_text.longestMatch, appended.longest());
    std::vector<std::int64_t>& fresh = m_freshAfter;
    fresh.assign(last + 1 - start, kUnreachable);
    const auto after = [&](std::size_t at) { return at > last ? After(at, end) : fresh[at - start]; };
    std::int64_t shift = 0;  // how the least bytes of the places above differ, and for how many
    std::size_t steady = window;
    std::size_t at = last + 1;
    while (at > start) {
        --at;
        const std::int64_t now = ShortestFrom(m_text, appended, at, end, after);
        fresh[at - start] = now;
        const std::int64_t before = m_after[at];
        if (now >= kUnreachable || before >= kUnreachable) {
            steady = now >= kUnreachable && before >= kUnreachable ? steady + 1 : 0;
        } else if (steady > 0 && now - before == shift) {
            ++steady;
        } else {
            shift = now - before;
            steady = 1;
        }
        if (at <= first && steady >= window) break;
    }
    // Worked out down to the line's start: the start itself tells.
    if (at == start) shift = fresh[0] - m_after[start];
    if (take) {
        std::copy(fresh.begin() + static_cast<std::ptrdiff_t>(at - start), fresh.end(),
                  m_after.begin() + static_cast<std::ptrdiff_t>(at));
        for (std::size_t below = start; below < at; ++below)
            if (m_after[below] < kUnreachable) m_after[below] += shift;
        m_lineBytes[line] += shift;
    }
    return -shift;
}

}  // namespace quorvex::suggest
