#include "job/CTextEngine.h"

#include "platform/ByteOrder.h"

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

}  // namespace

void CTextEngine::ReadPointerTable(TableType tableType) {
    entries.clear();
    tooManyEntries = false;
    const std::span<const std::uint8_t> bytes = rom.bytes();

    // False once the list is full and one more entry was due: the job is refused.
    auto append = [this](std::int32_t address, std::int32_t location) {
        if (entries.size() >= kMaxEntries) {
            tooManyEntries = true;
            return false;
        }
        entries.push_back({address, location});
        return true;
    };

    if (tableType == TableType::Custom1) {
        if (settings.xOffset == 0) settings.xOffset = kCustom1DefaultXOffset;
        adjustPointers = false;
        const std::int64_t base = static_cast<std::int64_t>(settings.xOffset) + kCustom1TableOffset;
        settings.tableStart = Add32(settings.xOffset, kCustom1TableOffset);
        for (int j = 0; j < kCustom1EntryCount; ++j) {
            // An entry the file does not hold whole is left out; the others still count.
            const auto length = ReadU8(bytes, base + 3 * j);
            const auto pointer = ReadU16Le(bytes, base + 3 * j + 1);
            if (!length || !pointer) continue;
            append(Add32(settings.xOffset, *pointer), static_cast<std::int32_t>(*length));
        }
        settings.tableEnd = Add32(settings.xOffset, kCustom1LastEntryOffset);
        return;
    }

    if (IsScattered(tableType)) {
        adjustPointers = false;
        const int length = settings.commandLength;
        // Commands of 0 bytes never match; neither do ones longer than a 32-bit
        // value can represent (Extract refuses those before getting here).
        const bool canMatch = length >= 1 && length <= 4;
        const auto command = static_cast<std::uint32_t>(settings.huffTable);
        const std::int64_t last = std::min<std::int64_t>(settings.textEnd, static_cast<std::int64_t>(bytes.size()) - 1);
        std::int64_t pos = settings.textStart;
        while (pos <= last) {
            if (!append(static_cast<std::int32_t>(pos), 0)) return;
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
                // the string ends with the last command of the run.
                // The value of exactly `length` bytes; none when they run past the file.
                if (ReadLe(bytes, p, length) == command && ReadLe(bytes, p + 1, length) != command) {
                    pos = p + length;
                    break;
                }
                pos = p + 1;
                if (pos > last) break;
            }
        }
        return;
    }

    if (!TablePresent(settings)) {
        append(settings.textStart, -1);
        return;
    }

    const std::int64_t tableStart = settings.tableStart;
    const std::int64_t tableEnd = settings.tableEnd;
    auto readStrided = [&](int stride, auto read) {
        for (std::int64_t pos = tableStart; pos < tableEnd; pos += stride) {
            const std::optional<std::uint32_t> value = read(pos);
            if (!value) return;  // the entry reaches past the end of the file: the table stops
            if (!append(static_cast<std::int32_t>(*value), static_cast<std::int32_t>(pos))) return;
        }
    };

    switch (tableType) {
    case TableType::Regular2: readStrided(2, [&](std::int64_t pos) { return ReadU16Le(bytes, pos); }); break;
    case TableType::Regular3: readStrided(3, [&](std::int64_t pos) { return ReadU24Le(bytes, pos); }); break;
    case TableType::Regular4: readStrided(4, [&](std::int64_t pos) { return ReadU32Le(bytes, pos); }); break;
    case TableType::Variation4: readStrided(4, [&](std::int64_t pos) { return ReadU32Be(bytes, pos); }); break;
    case TableType::Variation1: {
        const std::int32_t half = RoundHalfUp(static_cast<float>(tableEnd - tableStart) / 2.0f);
        for (std::int64_t j = 0; j < half; ++j) {
            const auto low = ReadU8(bytes, tableStart + j);
            const auto high = ReadU8(bytes, tableStart + half + j);
            if (!low || !high) return;
            if (!append(static_cast<std::int32_t>(*low + *high * 256), static_cast<std::int32_t>(tableStart + j)))
                return;
        }
        break;
    }
    case TableType::PascalLine: {
        adjustPointers = false;
        for (std::int64_t pos = tableStart; pos <= tableEnd; ++pos) {
            const auto length = ReadU8(bytes, pos);
            if (!length) return;
            if (!append(static_cast<std::int32_t>(*length), static_cast<std::int32_t>(pos))) return;
        }
        break;
    }
    default:
        // Types outside the known layouts add no entries.
        break;
    }
}

}  // namespace quorvex
