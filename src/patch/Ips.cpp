#include "patch/Ips.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace quorvex {
namespace {

constexpr std::size_t kHeaderSize = 5;     // 3-byte offset + 2-byte size
constexpr std::size_t kRunRecordSize = 8;  // header + 2-byte length + the byte
constexpr std::size_t kMaxRecord = 0xFFFF;
constexpr std::size_t kReach = std::size_t{1} << 24;
constexpr std::size_t kEofOffset = 0x454F46;  // "EOF" read as an offset: a record there would end the patch
constexpr std::string_view kMagic = "PATCH";
constexpr std::string_view kEnd = "EOF";

class IpsWriter {
public:
    IpsWriter(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target)
        : m_source(source), m_target(target) {
        m_out.assign(kMagic.begin(), kMagic.end());
    }

    [[nodiscard]] bool Unchanged(std::size_t at) const { return at < m_source.size() && m_source[at] == m_target[at]; }

    // Writes target[begin, end) with run records where they are shorter than
    // the bytes they stand for. A run inside the region also splits the record
    // around it (one header more); a run that is the whole region replaces it.
    void Region(std::size_t begin, std::size_t end) {
        std::size_t literal = begin;
        for (std::size_t at = begin; at < end;) {
            std::size_t runEnd = at + 1;
            while (runEnd < end && m_target[runEnd] == m_target[at]) ++runEnd;
            const std::size_t length = runEnd - at;
            const bool first = at == begin, last = runEnd == end;
            const std::size_t worthFrom = first && last   ? kRunRecordSize - kHeaderSize
                                          : first || last ? kRunRecordSize
                                                          : kRunRecordSize + kHeaderSize;
            if (length > worthFrom) {
                Literal(literal, at);
                Run(at, runEnd);
                literal = runEnd;
            }
            at = runEnd;
        }
        Literal(literal, end);
    }

    std::vector<std::uint8_t> Finish(std::optional<std::size_t> truncation) {
        m_out.insert(m_out.end(), kEnd.begin(), kEnd.end());
        if (truncation) AppendBe(*truncation, 3);
        return std::move(m_out);
    }

private:
    void AppendBe(std::size_t value, int width) {
        const auto at = m_out.size();
        m_out.resize(at + static_cast<std::size_t>(width));
        static_cast<void>(WriteBe(m_out, static_cast<std::int64_t>(at), width, static_cast<std::uint32_t>(value)));
    }

    // Bytes that already hold their target value at either end need no writing.
    void Literal(std::size_t begin, std::size_t end) {
        while (begin < end && Unchanged(begin)) ++begin;
        while (end > begin && Unchanged(end - 1)) --end;
        for (std::size_t at = begin; at < end;) {
            const std::size_t start = at == kEofOffset ? at - 1 : at;
            const std::size_t size = std::min(end - start, kMaxRecord);
            AppendBe(start, 3);
            AppendBe(size, 2);
            m_out.insert(m_out.end(), m_target.begin() + static_cast<std::ptrdiff_t>(start),
                         m_target.begin() + static_cast<std::ptrdiff_t>(start + size));
            at = start + size;
        }
    }

    void Run(std::size_t begin, std::size_t end) {
        for (std::size_t at = begin; at < end;) {
            if (at == kEofOffset) {
                Literal(at - 1, at + 1);
                ++at;
                continue;
            }
            const std::size_t size = std::min(end - at, kMaxRecord);
            AppendBe(at, 3);
            AppendBe(0, 2);
            AppendBe(size, 2);
            m_out.push_back(m_target[at]);
            at += size;
        }
    }

    std::span<const std::uint8_t> m_source;
    std::span<const std::uint8_t> m_target;
    std::vector<std::uint8_t> m_out;
};

// Reads a patch front to back; every read fails, rather than reading past the
// end, when fewer bytes are left than it needs.
class Cursor {
public:
    explicit Cursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    [[nodiscard]] std::size_t left() const { return m_bytes.size() - m_at; }
    [[nodiscard]] std::optional<std::uint32_t> Be(int width) {
        const auto value = ReadBe(m_bytes, static_cast<std::int64_t>(m_at), width);
        if (value) m_at += static_cast<std::size_t>(width);
        return value;
    }
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> Take(std::size_t count) {
        if (count > left()) return std::nullopt;
        m_at += count;
        return m_bytes.subspan(m_at - count, count);
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

void Write(std::vector<std::uint8_t>& image, std::size_t offset, std::size_t count, auto fill) {
    if (image.size() < offset + count) image.resize(offset + count);
    fill(image.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

PatchResult CreateIps(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target) {
    IpsWriter writer(source, target);
    const std::size_t common = std::min(source.size(), target.size());
    const auto nextChange = [&](std::size_t at) {
        if (at >= common) return at;
        return static_cast<std::size_t>(std::mismatch(source.begin() + static_cast<std::ptrdiff_t>(at),
                                                      source.begin() + static_cast<std::ptrdiff_t>(common),
                                                      target.begin() + static_cast<std::ptrdiff_t>(at))
                                            .first -
                                        source.begin());
    };
    // Changes closer together than a record header share one region.
    for (std::size_t begin = nextChange(0); begin < target.size();) {
        std::size_t end = begin;
        for (;;) {
            while (end < target.size() && !writer.Unchanged(end)) ++end;
            const std::size_t next = nextChange(end);
            if (next >= target.size() || next - end >= kHeaderSize) break;
            end = next;
        }
        if (end > kReach) return PatchResult::Failure(PatchStatus::PastSixteenMiB);
        writer.Region(begin, end);
        begin = nextChange(end);
    }
    std::optional<std::size_t> truncation;
    if (target.size() < source.size()) {
        if (target.size() >= kReach) return PatchResult::Failure(PatchStatus::SizePastSixteenMiB);
        truncation = target.size();
    }
    return {PatchStatus::Ok, writer.Finish(truncation), 0, 0};
}

PatchResult ApplyIps(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> source) {
    Cursor cursor(patch);
    const auto magic = cursor.Take(kMagic.size());
    if (!magic || !std::equal(kMagic.begin(), kMagic.end(), magic->begin()))
        return PatchResult::Failure(PatchStatus::NotAPatch);
    const auto damaged = PatchResult::Failure(PatchStatus::Damaged);
    std::vector<std::uint8_t> image(source.begin(), source.end());
    for (;;) {
        const auto offset = cursor.Be(3);
        if (!offset) return damaged;
        if (*offset == kEofOffset) break;
        const auto size = cursor.Be(2);
        if (!size) return damaged;
        if (*size > 0) {
            const auto bytes = cursor.Take(*size);
            if (!bytes) return damaged;
            Write(image, *offset, bytes->size(), [&](auto at) { std::copy(bytes->begin(), bytes->end(), at); });
            continue;
        }
        const auto length = cursor.Be(2);
        const auto value = cursor.Be(1);
        if (!length || !value || *length == 0) return damaged;
        Write(image, *offset, *length, [&](auto at) { std::fill_n(at, *length, static_cast<std::uint8_t>(*value)); });
    }
    if (cursor.left() != 0) {
        // Only a shorter size may follow "EOF"; the records never lengthen what it cuts.
        const auto size = cursor.Be(3);
        if (!size || cursor.left() != 0 || *size > image.size()) return damaged;
        image.resize(*size);
    }
    return {PatchStatus::Ok, std::move(image), 0, 0};
}

}  // namespace quorvex
