#include "patch/Bps.h"

#include "patch/BpsCopyPaths.h"
#include "patch/BpsFormat.h"
#include "patch/BpsIndexes.h"
#include "platform/ByteOrder.h"
#include "platform/Crc32.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace quorvex {
namespace {

using namespace bps;

// A target copy keeps up to this many places that hold its bytes; which
// one it copies from is chosen with the copies around it (CopyPaths).
constexpr std::size_t kChoices = 8;

struct Match {
    Action action = SourceCopy;
    std::size_t at = 0;    // where in the target it starts
    std::size_t from = 0;  // where in the source or target it copies from
    std::size_t length = 0;
    // Bytes of its action and offset; a target copy's offset counted from the
    // end of the cheapest path of copies so far.
    std::size_t cost = 0;
    std::array<std::uint32_t, kChoices> choices{};  // target copies: every `from` that would do
    std::size_t count = 0;

    [[nodiscard]] std::int64_t gain() const {
        return static_cast<std::int64_t>(length) - static_cast<std::int64_t>(cost);
    }
};

// One action of the patch; a target copy's place is chosen at the end.
struct Piece {
    Action action = SourceRead;
    std::size_t at = 0;  // where in the target it writes
    std::size_t length = 0;
    std::size_t from = 0;
};

class BpsWriter {
public:
    BpsWriter(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target)
        : m_source(source), m_target(target) {}

    std::vector<std::uint8_t> Write() {
        const std::size_t size = m_target.size();
        for (std::size_t at = 0; at < size;) {
            if (const std::size_t same = Unchanged(at)) {
                FlushLiteral(at);
                m_pieces.push_back({SourceRead, at, same});
                at += same;
                continue;
            }
            // A lone changed byte is cheaper stored than copied; looking it up
            // would only cost time where changes are scattered.
            const std::optional<Match> match =
                at + TargetIndex::kKey <= size && !LoneChange(at) ? FindMatch(at) : std::nullopt;
            if (!match) {
                if (!m_literal) m_literal = at;
                ++at;
                continue;
            }
            Emit(*match);
            at = match->at + match->length;
        }
        FlushLiteral(size);
        const std::vector<std::uint32_t> places = m_paths.Places();
        auto place = places.begin();
        for (Piece& piece : m_pieces)
            if (piece.action == TargetCopy) piece.from = *place++;
        return Serialize();
    }

private:
    static constexpr std::size_t kSourceStride = 4;
    static constexpr std::size_t kLookahead = 8;
    // Target copies are looked for among the newest places of the phrase at
    // a position, and in the group of its first bytes among the places
    // around where the cheapest path of copies ends, whose offsets cost the
    // fewest bytes. More candidates find longer copies, but copies from far
    // away make the offsets after them dearer: on translated text these few
    // do best.
    static constexpr std::ptrdiff_t kAround = 4;

    // The length of the unchanged stretch at `at` worth reading from the
    // source; 0 when there is none. Inside changed bytes, one or two equal
    // ones cost less as bytes than as an action of their own plus a restart.
    [[nodiscard]] std::size_t Unchanged(std::size_t at) const {
        const std::size_t size = m_target.size();
        if (at >= m_source.size() || m_source[at] != m_target[at]) return 0;
        const std::size_t same = CommonLength(&m_source[at], &m_target[at], std::min(m_source.size(), size) - at);
        return !m_literal || same >= 3 || at + same == size ? same : 0;
    }

    [[nodiscard]] bool LoneChange(std::size_t at) const {
        return at + 4 <= m_source.size() && std::equal(&m_target[at + 1], &m_target[at + 4], &m_source[at + 1]);
    }

    void Emit(const Match& match) {
        FlushLiteral(match.at);
        m_pieces.push_back({match.action, match.at, match.length, match.from});
        if (match.action == SourceCopy)
            m_sourceRelative = static_cast<std::int64_t>(match.from + match.length);
        else
            m_paths.Add(match.at, match.length, std::span(match.choices).first(match.count), *m_targets, m_target);
    }

    void FlushLiteral(std::size_t end) {
        if (m_literal && end > *m_literal) m_pieces.push_back({TargetRead, *m_literal, end - *m_literal});
        m_literal.reset();
    }

    std::vector<std::uint8_t> Serialize() const {
        std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
        AppendNumber(out, m_source.size());
        AppendNumber(out, m_target.size());
        AppendNumber(out, 0);  // no metadata
        std::int64_t sourceRelative = 0, targetRelative = 0;
        for (const Piece& piece : m_pieces) {
            AppendNumber(out, ((piece.length - 1) << 2) | piece.action);
            if (piece.action == TargetRead) {
                const auto bytes = m_target.subspan(piece.at, piece.length);
                out.insert(out.end(), bytes.begin(), bytes.end());
            } else if (piece.action != SourceRead) {
                auto& relative = piece.action == SourceCopy ? sourceRelative : targetRelative;
                AppendNumber(out, SignedOffset(static_cast<std::int64_t>(piece.from) - relative));
                relative = static_cast<std::int64_t>(piece.from + piece.length);
            }
        }
        for (const auto crc : {Crc32(m_source), Crc32(m_target)}) AppendLe32(out, crc);
        AppendLe32(out, Crc32(out));
        return out;
    }

    static void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
        const auto at = out.size();
        out.resize(at + 4);
        static_cast<void>(WriteLe(out, static_cast<std::int64_t>(at), 4, value));
    }

    // The indexes are built on first use: identical images never need them.
    // Every fourth source position is enough, as a match found up to three
    // bytes late is extended backwards.
    WindowIndex& SourceIndex() {
        if (!m_sourceIndex) {
            m_sourceIndex.emplace(m_source.size() / kSourceStride);
            for (std::size_t at = 0; at + WindowIndex::kWindow <= m_source.size(); at += kSourceStride)
                m_sourceIndex->Put(&m_source[at], at);
        }
        return *m_sourceIndex;
    }
    TargetIndex& Targets() {
        if (!m_targets) m_targets.emplace(m_source, m_target);
        return *m_targets;
    }

    struct Seen {
        std::size_t candidate, ahead, back;
    };

    // Offers a copy from `from` (source or target) at candidate; best keeps
    // the first of those that save the most over storing their bytes, if any
    // saves at least one byte more than restarting the stored bytes after it costs.
    void Consider(Action action, std::size_t at, std::size_t candidate, std::optional<Match>& best) {
        const std::span<const std::uint8_t> from = action == SourceCopy ? m_source : m_target;
        // Most candidates differ in their first bytes; at + kKey <= the target's size.
        if (candidate + TargetIndex::kKey > from.size() ||
            Load(&from[candidate], TargetIndex::kKey) != Load(&m_target[at], TargetIndex::kKey))
            return;
        const std::size_t limit = std::min(from.size() - candidate, m_target.size() - at);
        const std::size_t ahead = CommonLength(&from[candidate], &m_target[at], limit);
        const std::size_t pending = m_literal && *m_literal < at ? at - *m_literal : 0;
        std::size_t back = 0;
        while (back < pending && back < candidate && from[candidate - back - 1] == m_target[at - back - 1]) ++back;
        if (action == TargetCopy) m_seen.push_back({candidate, ahead, back});
        Match match{action, at - back, candidate - back, ahead + back, NumberSize(((ahead + back - 1) << 2) | action)};
        // No offset takes less than a byte: most candidates lose before theirs is worked out.
        const std::int64_t enough = best ? std::max<std::int64_t>(best->gain(), 1) : 1;
        if (match.gain() - 1 <= enough) return;
        match.cost += action == SourceCopy
                          ? NumberSize(SignedOffset(static_cast<std::int64_t>(match.from) - m_sourceRelative))
                          : m_paths.OffsetCost(match.from);
        if (match.gain() > enough) best = match;
    }

    // The best copy at `at`: from where the last copies ended (the cheapest
    // offsets), from the target's indexes, and from the source's window index.
    std::optional<Match> FindMatch(std::size_t at) {
        std::optional<Match> best;
        m_seen.clear();
        const std::uint8_t* window = &m_target[at];
        const bool windowed = at + WindowIndex::kWindow <= m_target.size() && m_source.size() >= WindowIndex::kWindow;
        // Changed bytes mostly find nothing in the source: its slot is read
        // from memory while the target is searched, and the slot of the bytes
        // ahead while this lookup runs.
        if (windowed) SourceIndex().Prefetch(window);
        Consider(SourceCopy, at, static_cast<std::size_t>(m_sourceRelative), best);
        if (m_paths.CheapestEnd() < at) Consider(TargetCopy, at, m_paths.CheapestEnd(), best);
        ConsiderTargets(at, best);
        if (windowed) {
            if (at + kLookahead + WindowIndex::kWindow <= m_target.size()) SourceIndex().Prefetch(window + kLookahead);
            const std::uint32_t candidate = SourceIndex().Get(window);
            if (candidate != WindowIndex::kEmpty) Consider(SourceCopy, at, candidate, best);
        }
        if (best && best->action == TargetCopy) AddChoices(at, *best);
        return best;
    }

    // Target copies: the newest places of the phrase at `at`, and the places
    // around where the cheapest path ends.
    void ConsiderTargets(std::size_t at, std::optional<Match>& best) {
        // A copy reads what is already written, and may run on into
        // what it writes itself: any position before `at`.
        Targets().Prefetch(at);
        if (!Targets().HeldBefore(at)) return;
        for (const std::uint32_t place : Targets().Phrases(at))
            if (place != TargetIndex::kNone) Consider(TargetCopy, at, place, best);
        const std::span<const TargetIndex::Entry> group = Targets().Group(at);
        const std::uint32_t key = Targets().Key(at);
        const auto near = FirstFrom(group, static_cast<std::uint32_t>(m_paths.CheapestEnd()));
        const auto stop = group.end() - near > kAround ? near + kAround : group.end();
        for (auto it = near - std::min(near - group.begin(), kAround); it != stop; ++it)
            if (it->key == key) Consider(TargetCopy, at, it->position, best);
    }

    // Every place seen that holds the bytes of a target copy, from the same
    // start: back as far and ahead as far; the best's own first.
    void AddChoices(std::size_t at, Match& best) const {
        const std::size_t back = at - best.at, ahead = best.length - back;
        best.choices[best.count++] = static_cast<std::uint32_t>(best.from);
        for (const Seen& seen : m_seen)
            if (seen.back >= back && seen.ahead >= ahead && best.count < kChoices)
                best.choices[best.count++] = static_cast<std::uint32_t>(seen.candidate - back);
    }

    std::span<const std::uint8_t> m_source;
    std::span<const std::uint8_t> m_target;
    std::vector<Piece> m_pieces;
    std::vector<Seen> m_seen;  // the target copies FindMatch looked at
    std::optional<std::size_t> m_literal;  // where the bytes not yet stored start
    std::int64_t m_sourceRelative = 0;
    CopyPaths m_paths;
    std::optional<WindowIndex> m_sourceIndex;
    std::optional<TargetIndex> m_targets;
};

}  // namespace

PatchResult CreateBps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target) {
    if (source.size() > kMaxPatchImage || target.size() > kMaxPatchImage)
        return PatchResult::Failure(PatchStatus::TooLarge);
    return {PatchStatus::Ok, BpsWriter(source, target).Write(), 0, 0};
}

}  // namespace quorvex
