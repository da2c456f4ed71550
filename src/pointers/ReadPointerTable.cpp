#include "pointers/PointerTable.h"

#include "platform/ByteOrder.h"
#include "pointers/AddressMap.h"
#include "pointers/PointerLayout.h"

#include <algorithm>
#include <cstring>

namespace quorvex {

namespace {
// Wrapping 32-bit addition: pointer values plus a user's offset may overflow,
// and the result must be the same two's-complement value old scripts hold.
std::int32_t Add32(std::int32_t a, std::int64_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Custom 1's table sits at a fixed place relative to the X000 Offset.
constexpr std::int32_t kCustom1TableOffset = 0xBDA0;
constexpr std::int32_t kCustom1LastEntryOffset = 0xBDD6;
constexpr int kCustom1EntryCount = 19;
constexpr std::int32_t kCustom1DefaultXOffset = -0x7FF0;

// Collects entries up to the limit; one more due marks the table as too large.
class EntryList {
public:
    explicit EntryList(PointerTable& table) : m_table(table) {}
    bool Append(std::int32_t address, std::int32_t location) {
        if (m_table.entries.size() >= kMaxEntries) {
            m_table.tooManyEntries = true;
            return false;
        }
        m_table.entries.push_back({address, location});
        return true;
    }

private:
    PointerTable& m_table;
};

void ReadCustom1(std::span<const std::uint8_t> bytes, PointerTable& table) {
    JobSettings& job = table.job;
    EntryList list(table);
    if (job.xOffset == 0) job.xOffset = kCustom1DefaultXOffset;
    table.addXOffset = false;
    const std::int64_t base = static_cast<std::int64_t>(job.xOffset) + kCustom1TableOffset;
    job.tableStart = Add32(job.xOffset, kCustom1TableOffset);
    // The pointers are 16 bits: with a map they reach into the bank of Text Start.
    const AddressMap map(job, bytes.size(), 2);
    for (int j = 0; j < kCustom1EntryCount; ++j) {
        // An entry the file does not hold whole is left out; the others still count.
        const auto length = ReadU8(bytes, base + 3 * j);
        const auto pointer = ReadU16Le(bytes, base + 3 * j + 1);
        if (!length || !pointer) continue;
        list.Append(static_cast<std::int32_t>(map.ToOffset(*pointer)), static_cast<std::int32_t>(*length));
    }
    job.tableEnd = Add32(job.xOffset, kCustom1LastEntryOffset);
}

// Scattered text has no table: each string runs up to the End Dialog Command.
void ReadScattered(std::span<const std::uint8_t> bytes, PointerTable& table) {
    const JobSettings& job = table.job;
    EntryList list(table);
    table.addXOffset = false;
    const int length = job.commandLength;
    // Commands of 0 bytes never match; neither do ones longer than a 32-bit
    // value can represent (Extract refuses those before getting here).
    const bool canMatch = length >= 1 && length <= 4;
    const auto command = static_cast<std::uint32_t>(job.huffTable);
    const std::int64_t last = std::min<std::int64_t>(job.textEnd, static_cast<std::int64_t>(bytes.size()) - 1);
    std::int64_t pos = job.textStart;
    while (pos <= last) {
        if (!list.Append(static_cast<std::int32_t>(pos), 0)) return;
        for (;;) {
            // A command can only begin inside the file, at a byte equal to
            // its first (lowest) byte: every other offset is passed over at
            // once, including a Text Start far below 0.
            const std::int64_t from = std::max<std::int64_t>(pos, 0);
            const void* hit = canMatch && from <= last
                                  ? std::memchr(bytes.data() + from, static_cast<int>(command & 0xFFu),
                                                static_cast<std::size_t>(last - from + 1))
                                  : nullptr;
            if (hit == nullptr) {
                pos = last + 1;
                break;
            }
            const std::int64_t p = static_cast<const std::uint8_t*>(hit) - bytes.data();
            // A command that begins again one byte later belongs to the same run;
            // the string ends with the last command of the run. The value is
            // that of exactly `length` bytes; none when they run past the file.
            if (ReadLe(bytes, p, length) == command && ReadLe(bytes, p + 1, length) != command) {
                pos = p + length;
                break;
            }
            pos = p + 1;
            if (pos > last) break;
        }
    }
}

void ReadPascalLengths(std::span<const std::uint8_t> bytes, PointerTable& table) {
    EntryList list(table);
    table.addXOffset = false;
    for (std::int64_t pos = table.job.tableStart; pos <= table.job.tableEnd; ++pos) {
        const auto length = ReadU8(bytes, pos);
        if (!length) return;
        if (!list.Append(static_cast<std::int32_t>(*length), static_cast<std::int32_t>(pos))) return;
    }
}

void ReadPointers(std::span<const std::uint8_t> bytes, const PointerLayout& layout, PointerTable& table) {
    EntryList list(table);
    const std::int64_t start = table.job.tableStart;
    const std::int64_t end = layout.split ? start + layout.splitHalf : static_cast<std::int64_t>(table.job.tableEnd);
    for (std::int64_t pos = start; pos < end; pos += layout.stride) {
        const std::optional<std::uint32_t> value = layout.Read(bytes, pos);
        if (!value) return;  // the entry reaches past the end of the file: the table stops
        if (!list.Append(static_cast<std::int32_t>(*value), static_cast<std::int32_t>(pos))) return;
    }
}

}  // namespace

PointerTable ReadPointerTable(std::span<const std::uint8_t> rom, const JobSettings& job, TableType tableType) {
    PointerTable table;
    table.job = job;
    if (tableType == TableType::Custom1) {
        ReadCustom1(rom, table);
    } else if (IsScattered(tableType)) {
        ReadScattered(rom, table);
    } else if (!TablePresent(job)) {
        table.entries.push_back({job.textStart, -1});
    } else if (tableType == TableType::PascalLine) {
        ReadPascalLengths(rom, table);
    } else if (const auto layout = LayoutOf(tableType, job)) {
        ReadPointers(rom, *layout, table);
    }
    return table;
}

}  // namespace quorvex
