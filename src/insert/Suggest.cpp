#include "insert/Suggest.h"

#include "chartable/CharTable.h"
#include "insert/SuggestEncoding.h"

#include <algorithm>
#include <limits>
#include <queue>

namespace quorvex {
namespace {

using suggest::Appended;
using suggest::Encoding;
using suggest::Step;
using suggest::Text;

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// A run of the text that may become an entry.
struct Candidate {
    std::uint32_t first = 0;  // place of its first occurrence
    std::uint32_t length = 0;
    double estimate = 0;  // what it would save if it took the bytes of what it covers now
    std::uint32_t begin = 0;  // its occurrences in Candidates::places
    std::uint32_t end = 0;
};

struct Candidates {
    std::vector<Candidate> runs;
    std::vector<std::uint32_t> places;
};

std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Every run of minLength to maxLength characters that occurs twice or more.
// Runs are grown one character a round, and only from runs that occurred at
// least twice (a run occurs no more often than its beginning), so long runs
// cost nothing where the text does not repeat itself.
Candidates FindCandidates(const Text& text, const std::vector<double>& shareSums, std::size_t minLength,
                          std::size_t maxLength) {
    const std::u16string& chars = text.chars;
    const std::size_t size = chars.size();
    // How far a run from each place may reach: not into an escape, past an "="
    // (it would add entries of its own to the table), a zero (it would end the
    // table file) or a line break.
    std::vector<std::uint32_t> reach(size);
    std::vector<char> blocked(size, 0);
    for (std::size_t at = 0; at < size; ++at) {
        const char16_t c = chars[at];
        if (c == u'=' || c == u'\0' || c == u'\r' || c == u'\n') blocked[at] = 1;
        if (text.escapeAt[at]) std::fill_n(blocked.begin() + static_cast<std::ptrdiff_t>(at), kEscapeLength, 1);
    }
    for (std::size_t line = 0; line < text.lineCount(); ++line) {
        const std::size_t end = text.lineStart[line + 1];
        for (std::size_t at = end; at-- > text.lineStart[line];)
            reach[at] = static_cast<std::uint32_t>(blocked[at] ? at : (at + 1 == end ? end : reach[at + 1]));
    }

    Candidates candidates;
    std::vector<std::uint32_t> active;
    std::vector<std::uint64_t> hash(size);
    for (std::size_t at = 0; at < size; ++at) {
        if (reach[at] - at < 2) continue;
        active.push_back(static_cast<std::uint32_t>(at));
        hash[at] = chars[at] + 1u;
    }
    struct Group {
        std::uint64_t hash;
        std::uint32_t first;
        std::uint32_t count;
    };
    std::vector<Group> groups;
    std::vector<std::uint32_t> groupOf;
    std::vector<std::uint32_t> slots;
    std::vector<std::uint32_t> candidateOf;
    std::vector<std::uint32_t> takenUpTo;  // per candidate: the end of its last occurrence counted
    constexpr std::uint64_t kBase = 0x9E3779B97F4A7C15ULL;
    std::uint64_t power = kBase;
    for (std::size_t length = 2; length <= maxLength && !active.empty(); ++length) {
        std::erase_if(active, [&](std::uint32_t at) { return reach[at] - at < length; });
        for (const std::uint32_t at : active) hash[at] += (chars[at + length - 1] + 1u) * power;
        power *= kBase;

        // Group equal runs; a hash only proposes, the characters decide.
        std::size_t capacity = 16;
        while (capacity < active.size() * 2) capacity *= 2;
        slots.assign(capacity, kNone);
        groups.clear();
        groupOf.resize(active.size());
        for (std::size_t i = 0; i < active.size(); ++i) {
            const std::uint32_t at = active[i];
            std::size_t slot = Mix(hash[at] ^ length) & (capacity - 1);
            for (;; slot = (slot + 1) & (capacity - 1)) {
                const std::uint32_t group = slots[slot];
                if (group == kNone) {
                    slots[slot] = static_cast<std::uint32_t>(groups.size());
                    groups.push_back({hash[at], at, 0});
                    break;
                }
                const Group& found = groups[group];
                if (found.hash == hash[at] && chars.compare(found.first, length, chars, at, length) == 0) break;
            }
            groupOf[i] = slots[slot];
            ++groups[slots[slot]].count;
        }

        // Runs that occur once are dropped here, and with them every longer run they begin.
        candidateOf.assign(groups.size(), kNone);
        if (length >= minLength) {
            for (std::size_t group = 0; group < groups.size(); ++group) {
                if (groups[group].count < 2 || text.HasMatchOfLength(groups[group].first, length)) continue;
                candidateOf[group] = static_cast<std::uint32_t>(candidates.runs.size());
                const auto begin = static_cast<std::uint32_t>(candidates.places.size());
                candidates.runs.push_back({groups[group].first, static_cast<std::uint32_t>(length), 0, begin, begin});
                candidates.places.resize(candidates.places.size() + groups[group].count);
            }
            takenUpTo.resize(candidates.runs.size(), 0);
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < active.size(); ++i) {
            const std::uint32_t at = active[i];
            if (groups[groupOf[i]].count < 2) continue;
            active[kept++] = at;
            const std::uint32_t candidate = candidateOf[groupOf[i]];
            if (candidate == kNone) continue;
            Candidate& run = candidates.runs[candidate];
            candidates.places[run.end++] = at;
            // Occurrences that overlap an earlier one cannot both be taken.
            if (at < takenUpTo[candidate]) continue;
            takenUpTo[candidate] = static_cast<std::uint32_t>(at + length);
            run.estimate += shareSums[at + length] - shareSums[at] - 1.0;
        }
        active.resize(kept);
    }
    return candidates;
}

}  // namespace

Suggestions SuggestEntries(const CharTable& table, std::span<const std::u16string_view> lines,
                           const SuggestOptions& options) {
    Suggestions result;
    const Text text(table, lines);
    Appended appended;
    Encoding encoding(text, options.shortest);

    // The text as the table encodes it now, and what each character of it costs:
    // its share of the bytes of the longest-match step that covers it.
    std::vector<double> shares(text.chars.size(), 1.0);
    for (std::size_t line = 0; line < text.lineCount(); ++line) {
        std::optional<std::size_t> failedAt;
        for (std::size_t at = text.lineStart[line], end = text.lineStart[line + 1]; at < end;) {
            const Step step = LongestStep(text, appended, at, end);
            if (step.length == 0) {
                failedAt = at - text.lineStart[line];
                break;
            }
            std::fill_n(shares.begin() + static_cast<std::ptrdiff_t>(at), step.length,
                        static_cast<double>(step.bytes) / static_cast<double>(step.length));
            at += step.length;
        }
        // Only a line longest match cannot encode can defeat the shortest encoding too.
        if (!encoding.Encode(appended, line)) {
            result.notInTable = Suggestions::Unencodable{line, *failedAt};
            return result;
        }
        result.bytesBefore += encoding.lineBytes(line);
    }
    result.bytesAfter = result.bytesBefore;
    std::vector<double> shareSums(shares.size() + 1, 0.0);
    for (std::size_t i = 0; i < shares.size(); ++i) shareSums[i + 1] = shareSums[i] + shares[i];

    std::vector<std::uint8_t> codes;
    const auto [firstCode, lastCode] = options.codes.value_or(std::pair<std::uint8_t, std::uint8_t>{0x00, 0xFF});
    for (int code = firstCode; code <= lastCode; ++code)
        if (!table.UsesByte(static_cast<std::uint8_t>(code)) && !text.escapeBytes.test(code))
            codes.push_back(static_cast<std::uint8_t>(code));
    const std::size_t wanted = std::min(codes.size(), static_cast<std::size_t>(std::max(options.count, 0)));
    const std::size_t minLength = static_cast<std::size_t>(std::max(options.minLength, 2));
    const std::size_t maxLength = static_cast<std::size_t>(std::max(options.maxLength, 0));
    if (wanted == 0 || maxLength < minLength) return result;

    const Candidates candidates = FindCandidates(text, shareSums, minLength, maxLength);
    const auto runText = [&](std::uint32_t candidate) {
        const Candidate& run = candidates.runs[candidate];
        return std::u16string_view(text.chars).substr(run.first, run.length);
    };
    const auto places = [&](std::uint32_t candidate) {
        const Candidate& run = candidates.runs[candidate];
        return std::span(candidates.places).subspan(run.begin, run.end - run.begin);
    };
    // The bytes the whole text takes fewer with the candidate appended; no
    // value when it would leave a line that longest match cannot encode.
    const auto saving = [&](std::uint32_t candidate) {
        appended.Push(runText(candidate));
        const auto saved = encoding.Change(appended, places(candidate), false);
        appended.Pop();
        return saved;
    };

    // Lazy greedy: a candidate's priority is its estimate until it is measured,
    // then what it saved when last measured. Appending entries rarely makes
    // another save more, so a candidate measured in this round that still leads
    // is taken without measuring the rest.
    struct Queued {
        double priority;
        std::uint32_t candidate;
        std::size_t round;  // the round it was measured in; none before
        bool operator<(const Queued& other) const {
            if (priority != other.priority) return priority < other.priority;
            return candidate > other.candidate;
        }
    };
    constexpr std::size_t kNotMeasured = std::numeric_limits<std::size_t>::max();
    std::priority_queue<Queued> queue;
    for (std::uint32_t i = 0; i < candidates.runs.size(); ++i)
        queue.push({candidates.runs[i].estimate, i, kNotMeasured});

    for (std::size_t round = 0; round < wanted && !queue.empty(); ++round) {
        std::optional<Queued> chosen;
        while (!queue.empty()) {
            const Queued top = queue.top();
            queue.pop();
            if (top.round == round) {
                if (top.priority > 0) chosen = top;
                break;
            }
            if (const auto saved = saving(top.candidate))
                queue.push({static_cast<double>(*saved), top.candidate, round});
        }
        if (!chosen) break;

        appended.Push(runText(chosen->candidate));
        const std::int64_t saved = *encoding.Change(appended, places(chosen->candidate), true);
        result.entries.push_back({codes[round], std::u16string(runText(chosen->candidate)), saved});
        result.bytesAfter -= saved;
    }
    return result;
}

}  // namespace quorvex
