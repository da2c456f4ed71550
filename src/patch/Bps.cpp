#include "patch/Bps.h"

#include "patch/BpsFormat.h"
#include "platform/ByteOrder.h"
#include "platform/Crc32.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvex {
namespace {

using namespace bps;

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
