#include "extract/Extract.h"

#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Numbers.h"
#include "pointers/AddressMap.h"
#include "pointers/PointerLayout.h"

namespace quorvex {
namespace {

// Job numbers wrap as 32-bit values, as the scripts that hold them do.
std::int32_t Add32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Sub32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Custom1's table says where the text lies; what the user typed is ignored.
void TakeCustom1TextArea(const std::vector<PointerEntry>& entries, JobSettings& job) {
    if (entries.empty()) {
        job.textStart = 0;
        job.textEnd = 0;
        return;
    }
    const PointerEntry& last = entries.back();
    job.textStart = entries.front().address;
    job.textEnd = Sub32(Add32(last.address, last.location), 1);
}

// Sorts the pointer values and turns them into ROM offsets; the smallest
// pointer is taken to point at Text Start when no X000 Offset is given.
void AddXOffset(std::vector<PointerEntry>& entries, JobSettings& job) {
    SortEntries(entries);
    if (!TablePresent(job) || entries.empty()) return;
    if (job.xOffset == 0 && job.tableStart != 0 && job.textStart != 0)
        job.xOffset = Sub32(job.textStart, entries.front().address);
    for (PointerEntry& entry : entries) entry.address = Add32(entry.address, job.xOffset);
}

// With a map every pointer goes through it, and the entries are put in the
// order of the offsets they reach: across banks the pointer values need not be.
void ToOffsets(std::vector<PointerEntry>& entries, JobSettings& job, std::size_t imageSize, TableType tableType) {
    if (job.map == AddressMapKind::None) {
        AddXOffset(entries, job);
        return;
    }
    job.xOffset = 0;
    const auto layout = LayoutOf(tableType, job);
    if (!TablePresent(job) || !layout) return;
    const AddressMap map(job, imageSize, layout->width);
    for (PointerEntry& entry : entries)
        entry.address = static_cast<std::int32_t>(map.ToOffset(static_cast<std::uint32_t>(entry.address)));
    SortEntries(entries);
}

// Entries holding the empty value point at no text: each gets a line of its
// own ("12 n", in table order) and no string, and takes no part in the X000
// Offset or in any repeat. Only layouts whose body has pointer lines take
// them; for the others the value is dropped.
std::u16string TakeEmptyEntries(std::vector<PointerEntry>& entries, JobSettings& job, TableType tableType) {
    if (!job.nullPointer) return {};
    if (!TablePresent(job) || IsScattered(tableType) || !LayoutOf(tableType, job)) {
        job.nullPointer.reset();
        return {};
    }
    std::u16string lines;
    const auto empty = [&](const PointerEntry& entry) { return static_cast<std::uint32_t>(entry.address) == *job.nullPointer; };
    for (const PointerEntry& entry : entries)
        if (empty(entry)) lines += FormatHex(entry.location) + u" n\r\n";
    std::erase_if(entries, empty);
    return lines;
}

ExtractResult Refused(std::u16string_view message) {
    return {std::nullopt, std::u16string(message)};
}

}  // namespace

ExtractResult Extract(std::span<const std::uint8_t> rom, JobSettings job, const CharTable* table, TableType tableType,
                      TextType textType) {
    // A table given without its end is taken to run up to the byte before the text.
    if (job.tableEnd == 0 && job.tableStart != 0 && job.tableStart < job.textStart) job.tableEnd = job.textStart - 1;

    // The command is compared as one 32-bit value; a longer one cannot be matched.
    if (IsScattered(tableType) && job.commandLength > 4) return Refused(messages::kCommandTooLong);
    if (job.map != AddressMapKind::None && (IsScattered(tableType) || tableType == TableType::PascalLine))
        return Refused(messages::kMapNeedsTable);

    PointerTable pointers = ReadPointerTable(rom, job, tableType);
    if (pointers.tooManyEntries) return Refused(messages::kTooManyEntries);
    job = pointers.job;
    if (tableType == TableType::Custom1) TakeCustom1TextArea(pointers.entries, job);
    const std::u16string emptyLines = TakeEmptyEntries(pointers.entries, job, tableType);
    if (pointers.addXOffset) ToOffsets(pointers.entries, job, rom.size(), tableType);

    std::optional<std::string> script = DecodeStrings(rom, job, pointers.entries, tableType, textType, table,
                                                         WriteScriptHeader(job, tableType, textType) + emptyLines);
    if (!script) return Refused(messages::kScriptTooLarge);
    return {std::move(script), std::u16string(messages::kDone)};
}

}  // namespace quorvex
