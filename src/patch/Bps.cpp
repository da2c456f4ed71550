#include "patch/Bps.h"
#include "platform/Crc32.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvex {
namespace {

constexpr std::string_view kMagic = "BPS1";
constexpr std::size_t kFooterSize = 12;  // CRC32 of source, target and patch
enum Action : std::uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// The format's numbers: seven bits a byte, the last byte marked by its top
// bit, each continuation adding one so that no value has two spellings.
void AppendNumber(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (;;) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.push_back(0x80 | low);
            return;
        }
        out.push_back(low);
        --value;
    }
}

std::size_t NumberSize(std::uint64_t value) {
    std::size_t size = 1;
    for (value >>= 7; value != 0; value = (value - 1) >> 7) ++size;
    return size;
}

std::uint64_t SignedOffset(std::int64_t delta) {
    return delta < 0 ? (static_cast<std::uint64_t>(-delta) << 1) | 1 : static_cast<std::uint64_t>(delta) << 1;
}

std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    return static_cast<std::size_t>(std::mismatch(a, a + limit, b).first - a);
}

// Where an 8-byte window of an image was last seen, by hash; one position a
// slot. Each slot also keeps a fingerprint of its window, so that most
// lookups that find another window are turned down without reading the image
// at a random place; a candidate that passes must still be compared.
class WindowIndex {
public:
    static constexpr std::size_t kWindow = 8;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    explicit WindowIndex(std::size_t expected)
        : m_shift(64 - std::clamp(static_cast<int>(std::bit_width(expected)), 10, 21)),
          m_slots(std::size_t{1} << (64 - m_shift), kEmpty) {}

    void Put(const std::uint8_t* window, std::size_t position) {
        const std::uint64_t word = Word(window);
        m_slots[Slot(word)] = std::uint64_t{Fingerprint(word)} << 32 | static_cast<std::uint32_t>(position);
    }
    [[nodiscard]] std::uint32_t Get(const std::uint8_t* window) const {
        const std::uint64_t word = Word(window);
        const std::uint64_t slot = m_slots[Slot(word)];
        return slot >> 32 == Fingerprint(word) ? static_cast<std::uint32_t>(slot) : kEmpty;
    }
    void Prefetch(const std::uint8_t* window) const { __builtin_prefetch(&m_slots[Slot(Word(window))]); }

private:
    static std::uint64_t Word(const std::uint8_t* window) {
        std::uint64_t word;
        std::memcpy(&word, window, sizeof word);
        return word;
    }
    static std::uint32_t Fingerprint(std::uint64_t word) { return static_cast<std::uint32_t>(word ^ word >> 32); }
    [[nodiscard]] std::size_t Slot(std::uint64_t word) const {
        return static_cast<std::size_t>((word * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    int m_shift;
    std::vector<std::uint64_t> m_slots;
};

struct Match {
    Action action = SourceCopy;
    std::size_t at = 0;    // where in the target it starts
    std::size_t from = 0;  // where in the source or target it copies from
    std::size_t length = 0;
    std::size_t cost = 0;  // bytes of its action and offset
};

class BpsWriter {
public:
    BpsWriter(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target)
        : m_source(source), m_target(target) {
        m_out.assign(kMagic.begin(), kMagic.end());
        AppendNumber(m_out, source.size());
        AppendNumber(m_out, target.size());
        AppendNumber(m_out, 0);  // no metadata
    }

    std::vector<std::uint8_t> Write() {
        const std::size_t size = m_target.size();
        for (std::size_t at = 0; at < size;) {
            if (at < m_source.size() && m_source[at] == m_target[at]) {
                const std::size_t same =
                    CommonLength(&m_source[at], &m_target[at], std::min(m_source.size(), size) - at);
                // Inside changed bytes, one or two equal ones cost less as bytes
                // than as an action of their own plus a restart.
                if (!m_literal || same >= 3 || at + same == size) {
                    FlushLiteral(at);
                    AppendAction(SourceRead, same);
                    at += same;
                    continue;
                }
            }
            // A lone changed byte is cheaper stored than copied; looking it up
            // would only cost time where changes are scattered.
            if (at + WindowIndex::kWindow <= size && !LoneChange(at)) {
                if (const auto match = FindMatch(at)) {
                    FlushLiteral(match->at);
                    AppendAction(match->action, match->length);
                    auto& relative = match->action == SourceCopy ? m_sourceRelative : m_targetRelative;
                    AppendNumber(m_out, SignedOffset(static_cast<std::int64_t>(match->from) - relative));
                    relative = static_cast<std::int64_t>(match->from + match->length);
                    at = match->at + match->length;
                    continue;
                }
                TargetIndex().Put(&m_target[at], at);
            }
            if (!m_literal) m_literal = at;
            ++at;
        }
        FlushLiteral(size);
        return Finish();
    }

private:
    [[nodiscard]] bool LoneChange(std::size_t at) const {
        return at + 4 <= m_source.size() && std::equal(&m_target[at + 1], &m_target[at + 4], &m_source[at + 1]);
    }

    void AppendAction(Action action, std::size_t length) { AppendNumber(m_out, ((length - 1) << 2) | action); }

    void FlushLiteral(std::size_t end) {
        if (!m_literal) return;
        if (end > *m_literal) {
            AppendAction(TargetRead, end - *m_literal);
            m_out.insert(m_out.end(), m_target.begin() + static_cast<std::ptrdiff_t>(*m_literal),
                         m_target.begin() + static_cast<std::ptrdiff_t>(end));
        }
        m_literal.reset();
    }

    std::vector<std::uint8_t> Finish() {
        for (const auto crc : {Crc32(m_source), Crc32(m_target)}) AppendLe32(crc);
        AppendLe32(Crc32(m_out));
        return std::move(m_out);
    }

    void AppendLe32(std::uint32_t value) {
        const auto at = m_out.size();
        m_out.resize(at + 4);
        static_cast<void>(WriteLe(m_out, static_cast<std::int64_t>(at), 4, value));
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
    WindowIndex& TargetIndex() {
        if (!m_targetIndex) m_targetIndex.emplace(m_target.size() / kSourceStride);
        return *m_targetIndex;
    }

    // The copy at `at` that saves the most over storing its bytes, if any
    // saves at least one byte more than restarting the stored bytes after it costs.
    std::optional<Match> FindMatch(std::size_t at) {
        const std::uint8_t* window = &m_target[at];
        // Changed bytes mostly find nothing: ask the memory for the slots of
        // the bytes ahead while this lookup runs.
        if (at + kLookahead + WindowIndex::kWindow <= m_target.size()) {
            SourceIndex().Prefetch(window + kLookahead);
            TargetIndex().Prefetch(window + kLookahead);
        }
        const std::size_t pending = m_literal ? at - *m_literal : 0;
        std::optional<Match> best;
        const auto consider = [&](Action action, std::span<const std::uint8_t> from, std::uint32_t candidate) {
            if (candidate == WindowIndex::kEmpty || candidate + WindowIndex::kWindow > from.size() ||
                std::memcmp(&from[candidate], window, WindowIndex::kWindow) != 0)
                return;
            const std::size_t ahead =
                WindowIndex::kWindow +
                CommonLength(&from[candidate] + WindowIndex::kWindow, window + WindowIndex::kWindow,
                             std::min(from.size() - candidate, m_target.size() - at) - WindowIndex::kWindow);
            std::size_t back = 0;
            while (back < pending && back < candidate && from[candidate - back - 1] == m_target[at - back - 1]) ++back;
            Match match{action, at - back, candidate - back, ahead + back, 0};
            const auto relative = action == SourceCopy ? m_sourceRelative : m_targetRelative;
            match.cost = NumberSize(((match.length - 1) << 2) | action) +
                         NumberSize(SignedOffset(static_cast<std::int64_t>(match.from) - relative));
            if (match.length >= match.cost + 2 && (!best || match.length - match.cost > best->length - best->cost))
                best = match;
        };
        if (m_source.size() >= WindowIndex::kWindow) consider(SourceCopy, m_source, SourceIndex().Get(window));
        // Only positions before `at` are in the target's index: a target copy reads
        // what is already written, and may run on into what it writes itself.
        consider(TargetCopy, m_target, TargetIndex().Get(window));
        return best;
    }

    static constexpr std::size_t kSourceStride = 4;
    static constexpr std::size_t kLookahead = 8;
    std::span<const std::uint8_t> m_source;
    std::span<const std::uint8_t> m_target;
    std::vector<std::uint8_t> m_out;
    std::optional<std::size_t> m_literal;  // where the bytes not yet stored start
    std::int64_t m_sourceRelative = 0;
    std::int64_t m_targetRelative = 0;
    std::optional<WindowIndex> m_sourceIndex;
    std::optional<WindowIndex> m_targetIndex;
};

// Reads the patch's actions, never past the footer.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    [[nodiscard]] bool done() const { return m_at == m_bytes.size(); }

    // A number of at most seven bytes (below 2^50): anything longer is no size
    // or offset of a sane image, and larger values could overflow the arithmetic.
    [[nodiscard]] std::optional<std::uint64_t> Number() {
        std::uint64_t value = 0;
        std::uint64_t shift = 1;
        for (;;) {
            if (m_at == m_bytes.size()) return std::nullopt;
            const std::uint8_t byte = m_bytes[m_at++];
            value += (byte & 0x7F) * shift;
            if (byte & 0x80) return value;
            shift <<= 7;
            if (shift > (std::uint64_t{1} << 42)) return std::nullopt;
            value += shift;
        }
    }
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> Take(std::uint64_t count) {
        if (count > m_bytes.size() - m_at) return std::nullopt;
        m_at += count;
        return m_bytes.subspan(m_at - count, count);
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return *ReadU32Le(bytes, static_cast<std::int64_t>(offset));
}

bool HasMagic(std::span<const std::uint8_t> patch) {
    return patch.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), patch.begin());
}

// The actions between the header and the footer; nothing without a footer.
Reader Body(std::span<const std::uint8_t> patch) {
    if (patch.size() < kMagic.size() + kFooterSize) return Reader({});
    return Reader(patch.subspan(kMagic.size(), patch.size() - kMagic.size() - kFooterSize));
}

// The sizes, leaving reader after the metadata.
std::optional<BpsHeader> ReadHeader(Reader& reader) {
    const auto sourceSize = reader.Number();
    const auto targetSize = reader.Number();
    const auto metadataSize = reader.Number();
    if (!sourceSize || !targetSize || !metadataSize || !reader.Take(*metadataSize)) return std::nullopt;
    return BpsHeader{*sourceSize, *targetSize};
}

// Reads a copy's offset and moves the cursor it counts from; no value when
// the number is cut short or the cursor would fall before the start.
std::optional<std::uint64_t> CopyFrom(Reader& reader, std::int64_t& relative) {
    const auto offset = reader.Number();
    if (!offset) return std::nullopt;
    const auto delta = static_cast<std::int64_t>(*offset >> 1);
    relative += (*offset & 1) ? -delta : delta;
    if (relative < 0) return std::nullopt;
    return static_cast<std::uint64_t>(relative);
}

// Runs the actions after the header into out, or only checks them when out
// is null. False when one is malformed, reads outside the source, the patch
// or what is written, or they make other than targetSize bytes.
bool RunActions(Reader reader, std::span<const std::uint8_t> source, std::uint64_t targetSize, std::uint8_t* out) {
    std::uint64_t written = 0;
    std::int64_t sourceRelative = 0;
    std::int64_t targetRelative = 0;
    while (!reader.done()) {
        const auto command = reader.Number();
        if (!command) return false;
        const std::uint64_t length = (*command >> 2) + 1;
        if (length > targetSize - written) return false;
        std::uint8_t* at = out ? out + written : nullptr;
        switch (static_cast<Action>(*command & 3)) {
            case SourceRead:
                if (written + length > source.size()) return false;
                if (at) std::memcpy(at, source.data() + written, length);
                break;
            case TargetRead: {
                const auto bytes = reader.Take(length);
                if (!bytes) return false;
                if (at) std::memcpy(at, bytes->data(), length);
                break;
            }
            case SourceCopy: {
                const auto from = CopyFrom(reader, sourceRelative);
                if (!from || *from + length > source.size()) return false;
                if (at) std::memcpy(at, source.data() + *from, length);
                sourceRelative += static_cast<std::int64_t>(length);
                break;
            }
            case TargetCopy: {
                const auto from = CopyFrom(reader, targetRelative);
                if (!from || *from >= written) return false;
                // A copy may read what it writes itself (a run): in steps no
                // longer than its distance back, each reads only finished bytes.
                const std::uint64_t distance = written - *from;
                for (std::uint64_t done = 0; at && done < length; done += distance)
                    std::memcpy(at + done, out + *from + done, std::min(distance, length - done));
                targetRelative += static_cast<std::int64_t>(length);
                break;
            }
        }
        written += length;
    }
    return written == targetSize;
}

}  // namespace

PatchResult CreateBps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target) {
    if (source.size() > kMaxPatchImage || target.size() > kMaxPatchImage)
        return PatchResult::Failure(PatchStatus::TooLarge);
    return {PatchStatus::Ok, BpsWriter(source, target).Write(), 0, 0};
}

std::optional<BpsHeader> ReadBpsHeader(std::span<const std::uint8_t> patch) {
    if (!HasMagic(patch)) return std::nullopt;
    Reader reader = Body(patch);
    return ReadHeader(reader);
}

PatchResult ApplyBps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source) {
    if (!HasMagic(patch)) return PatchResult::Failure(PatchStatus::NotAPatch);
    const auto damaged = PatchResult::Failure(PatchStatus::Damaged);
    // The patch's own CRC first: a damaged patch is reported as damaged, not
    // as made for another ROM.
    if (patch.size() < kMagic.size() + kFooterSize ||
        Crc32(patch.first(patch.size() - 4)) != Le32(patch, patch.size() - 4))
        return damaged;
    const std::uint32_t sourceCrc = Le32(patch, patch.size() - kFooterSize);
    const std::uint32_t targetCrc = Le32(patch, patch.size() - kFooterSize + 4);

    Reader reader = Body(patch);
    const auto header = ReadHeader(reader);
    if (!header || header->targetSize > kMaxPatchImage) return damaged;
    const std::uint32_t romCrc = Crc32(source);
    if (header->sourceSize != source.size() || romCrc != sourceCrc)
        return {PatchStatus::WrongSource, {}, sourceCrc, romCrc};

    // Every action is checked before the result takes any memory, so that a
    // declared size is only ever allocated when the actions make that many bytes.
    if (!RunActions(reader, source, header->targetSize, nullptr)) return damaged;
    std::vector<std::uint8_t> target(header->targetSize);
    if (!RunActions(reader, source, header->targetSize, target.data()) || Crc32(target) != targetCrc) return damaged;
    return {PatchStatus::Ok, std::move(target), 0, 0};
}

}  // namespace quorvex
