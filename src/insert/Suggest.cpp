#include "insert/Suggest.h"

#include "chartable/CharTable.h"
#include "insert/SuggestEncoding.h"
#include "platform/Numbers.h"

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

// Every run of minLength to maxLength characters that occurs twice or more,
// less those another run stands for: a run whose every occurrence goes on
// with the same character, or follows the same one, within maxLength, is
// left to that longer run, which takes the same places and covers more (it
// saves less only where the character it adds would have joined a longer
// entry of the table, which is rare). On a text that repeats itself this
// keeps one run per place instead of one per place and length: 1.2 MiB that
// repeat one document six times, runs up to 32, took 5.4 s and 330 MB with
// every length kept, 1.5 s and 110 MB so.
//
// The places are kept sorted into groups that start with the same run; each
// round splits every group by the next character and drops the places whose
// group is left with one (a run occurs no more often than its beginning), so
// long runs cost nothing where the text does not repeat itself.
Candidates FindCandidates(const Text& text, const std::vector<double>& shareSums, std::size_t minLength,
                          std::size_t maxLength) {
    const std::u16string& chars = text.chars;
    const std::size_t size = chars.size();
    // How far a run from each place may reach: not into an escape or a
    // control code (the game would no longer see it), past an "="
    // (it would add entries of its own to the table), a zero (it would end the
    // table file) or a line break.
    std::vector<std::uint32_t> reach(size);
    std::vector<char> blocked(size, 0);
    for (std::size_t at = 0; at < size; ++at) {
        const char16_t c = chars[at];
        if (c == u'=' || c == u'\0' || c == u'\r' || c == u'\n') blocked[at] = 1;
        if (text.inControl[at]) blocked[at] = 1;
        if (text.escapeAt[at]) std::fill_n(blocked.begin() + static_cast<std::ptrdiff_t>(at), kEscapeLength, 1);
    }
    for (std::size_t line = 0; line < text.lineCount(); ++line) {
        const std::size_t end = text.lineStart[line + 1];
        for (std::size_t at = end; at-- > text.lineStart[line];)
            reach[at] = static_cast<std::uint32_t>(blocked[at] ? at : (at + 1 == end ? end : reach[at + 1]));
    }
    const auto fits = [&](std::size_t at, std::size_t length) { return reach[at] - at >= length; };

    // A group: its places (members[begin, end), ascending) and, when its run
    // is a candidate, the candidate's index in `pending`.
    struct Group {
        std::uint32_t begin, end;
        std::uint32_t candidate;
    };
    struct Pending {
        Group group;
        bool dropped;
    };
    std::vector<std::uint32_t> members, nextMembers;
    std::vector<Group> groups, nextGroups;
    std::vector<Pending> pending, nextPending;
    std::vector<std::uint64_t> keys;
    Candidates candidates;

    // Appends the groups of places in keys (sorted by character, then place) that share a character.
    const auto split = [&](std::size_t length, std::uint32_t parent) {
        std::sort(keys.begin(), keys.end());
        for (std::size_t i = 0; i < keys.size();) {
            std::size_t j = i + 1;
            while (j < keys.size() && keys[j] >> 32 == keys[i] >> 32) ++j;
            if (j - i >= 2) {
                const auto begin = static_cast<std::uint32_t>(nextMembers.size());
                for (std::size_t k = i; k < j; ++k) nextMembers.push_back(static_cast<std::uint32_t>(keys[k]));
                nextGroups.push_back({begin, static_cast<std::uint32_t>(nextMembers.size()), kNone});
                // Too short, or a text the table holds: grown further, but no candidate itself.
                if (length >= minLength && !text.HasMatchOfLength(nextMembers[begin], length)) {
                    nextGroups.back().candidate = static_cast<std::uint32_t>(nextPending.size());
                    nextPending.push_back({nextGroups.back(), false});
                    // Every occurrence of the parent's run goes on as this one.
                    if (parent != kNone && j - i == groups[parent].end - groups[parent].begin &&
                        groups[parent].candidate != kNone)
                        pending[groups[parent].candidate].dropped = true;
                }
            }
            i = j;
        }
        keys.clear();
    };
    // Takes the candidates of the last round that no longer run stands for.
    const auto commit = [&](std::size_t length) {
        for (const Pending& run : pending) {
            if (run.dropped) continue;
            Candidate candidate{members[run.group.begin], static_cast<std::uint32_t>(length), 0,
                                static_cast<std::uint32_t>(candidates.places.size()), 0};
            std::uint32_t takenUpTo = 0;
            for (std::uint32_t m = run.group.begin; m < run.group.end; ++m) {
                const std::uint32_t at = members[m];
                candidates.places.push_back(at);
                // Occurrences that overlap an earlier one cannot both be taken.
                if (at < takenUpTo) continue;
                takenUpTo = static_cast<std::uint32_t>(at + length);
                candidate.estimate += shareSums[at + length] - shareSums[at] - 1.0;
            }
            candidate.end = static_cast<std::uint32_t>(candidates.places.size());
            candidates.runs.push_back(candidate);
        }
    };

    for (std::size_t at = 0; at < size; ++at)
        if (fits(at, 2)) keys.push_back(static_cast<std::uint64_t>(chars[at]) << 32 | at);
    split(1, kNone);
    for (std::size_t length = 2; length <= maxLength && !nextGroups.empty(); ++length) {
        members.swap(nextMembers);
        groups.swap(nextGroups);
        pending.swap(nextPending);
        nextMembers.clear();
        nextGroups.clear();
        nextPending.clear();
        for (std::uint32_t g = 0; g < groups.size(); ++g) {
            for (std::uint32_t m = groups[g].begin; m < groups[g].end; ++m) {
                const std::uint32_t at = members[m];
                if (fits(at, length)) keys.push_back(static_cast<std::uint64_t>(chars[at + length - 1]) << 32 | at);
            }
            split(length, g);
        }
        // A run whose every occurrence follows the same character is left to
        // that longer run, when it is one.
        if (length < maxLength) {
            for (Pending& run : nextPending) {
                const std::uint32_t first = nextMembers[run.group.begin];
                bool same = first > 0 && fits(first - 1, length + 1) && !text.HasMatchOfLength(first - 1, length + 1);
                for (std::uint32_t m = run.group.begin + 1; same && m < run.group.end; ++m) {
                    const std::uint32_t at = nextMembers[m];
                    same = fits(at - 1, length + 1) && chars[at - 1] == chars[first - 1];
                }
                run.dropped = same;
            }
        }
        commit(length - 1);
    }
    members.swap(nextMembers);
    pending.swap(nextPending);
    commit(maxLength);
    return candidates;
}

// Bytes that stand second or third in a key of the table. Such a code after
// the key's first byte would be read back as that key's entry.
std::bitset<0x100> LaterKeyBytes(const CharTable& table) {
    std::bitset<0x100> later;
    const std::u16string& text = table.text();
    for (std::size_t lf = text.find(u'\n'); lf != std::u16string::npos; lf = text.find(u'\n', lf + 1)) {
        std::size_t digits = 0;
        while (digits < 7 && lf + 1 + digits < text.size() && HexDigitValue(text[lf + 1 + digits]) >= 0) ++digits;
        const std::size_t equals = lf + 1 + digits;
        if ((digits != 4 && digits != 6) || equals >= text.size() || text[equals] != u'=') continue;
        for (std::size_t byte = 2; byte < digits; byte += 2)
            later.set(static_cast<std::size_t>(HexDigitValue(text[lf + 1 + byte]) * 16 + HexDigitValue(text[lf + 2 + byte])));
    }
    return later;
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
    const std::bitset<0x100> laterKeyBytes = LaterKeyBytes(table);
    for (int code = firstCode; code <= lastCode; ++code)
        if (!table.UsesByte(static_cast<std::uint8_t>(code)) && !text.escapeBytes.test(code) && !laterKeyBytes.test(code))
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
        // Among equal savings the shorter run goes first, then the one that occurs first.
        std::pair<std::uint32_t, std::uint32_t> order;
        bool operator<(const Queued& other) const {
            if (priority != other.priority) return priority < other.priority;
            return order > other.order;
        }
    };
    constexpr std::size_t kNotMeasured = std::numeric_limits<std::size_t>::max();
    std::priority_queue<Queued> queue;
    for (std::uint32_t i = 0; i < candidates.runs.size(); ++i)
        queue.push({candidates.runs[i].estimate, i, kNotMeasured, {candidates.runs[i].length, candidates.runs[i].first}});

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
                queue.push({static_cast<double>(*saved), top.candidate, round, top.order});
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
