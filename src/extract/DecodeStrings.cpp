#include "extract/Extract.h"

#include "extract/DecodeText.h"
#include "extract/Huffman.h"
#include "extract/ScriptText.h"

#include "chartable/CharTable.h"
#include "platform/ByteOrder.h"

#include <algorithm>

namespace quorvex {

namespace {

constexpr std::size_t kMaxListedPointers = 5;
constexpr std::int64_t kLongestRegularString = 0xFFFF;

// Script numbers are 32-bit values; wider intermediate results wrap like them.
std::uint32_t Wrap(std::int64_t value) {
    return static_cast<std::uint32_t>(value);
}

// Up to count bytes from offset, fewer (or none) where the image ends first.
std::span<const std::uint8_t> ReadSpan(std::span<const std::uint8_t> rom, std::int64_t offset, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(rom.size());
    if (offset < 0 || offset >= size || count <= 0) return {};
    return rom.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(std::min(count, size - offset)));
}

// Decodes the strings of one job into its script. Lives for one call of DecodeStrings.
class StringDecoder {
public:
    StringDecoder(std::span<const std::uint8_t> rom, const JobSettings& job, std::span<const PointerEntry> entries,
                  const CharTable* table, std::u16string_view header)
        : rom(rom), settings(job), entries(entries), table(table), out(header) {}

    // False when the script would grow too large.
    bool Run(TableType tableType, TextType textType);
    std::string TakeScript() { return out.Take(); }

private:
    void AppendScatteredHeader(std::size_t entryIndex);
    // The lines around the strings, such as a pointer line: before, the value in hexadecimal, after.
    void AppendHexLine(std::string_view before, std::uint32_t value, std::string_view after);
    // Fills scatteredPointers for every entry in one pass over the search range.
    void FindScatteredPointers(int width);

    std::span<const std::uint8_t> rom;
    const JobSettings& settings;
    std::span<const PointerEntry> entries;
    const CharTable* table;
    ScriptText out;
    // Per entry: the first offsets (at most five) holding its Scattered pointer value.
    std::vector<std::vector<std::int64_t>> scatteredPointers;
};

void StringDecoder::FindScatteredPointers(int width) {
    // One pass over the search range serves every entry: the pointer values are
    // collected first and each offset is looked up among them, instead of
    // scanning the ROM once per string.
    const std::span<const std::uint8_t> bytes = rom;
    const std::uint32_t mask = width >= 4 ? 0xFFFFFFFFu : (1u << (8 * width)) - 1u;

    std::vector<std::uint32_t> keys(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        keys[i] = (static_cast<std::uint32_t>(entries[i].address) - static_cast<std::uint32_t>(settings.xOffset)) & mask;
    std::vector<std::uint32_t> distinct = keys;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

    // Most offsets are rejected by their low 16 bits alone.
    std::vector<bool> lowPresent(0x10000, false);
    for (const std::uint32_t key : distinct) lowPresent[key & 0xFFFF] = true;

    std::vector<std::vector<std::int64_t>> hits(distinct.size());
    std::size_t complete = 0;

    // Offsets tableStart .. tableEnd (the ROM's last byte when tableEnd is 0),
    // without the text block, and only where all `width` bytes are in the file.
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t first = std::max<std::int64_t>(settings.tableStart, 0);
    const std::int64_t last =
        std::min<std::int64_t>(settings.tableEnd == 0 ? size - 1 : settings.tableEnd, size - width);
    for (std::int64_t q = first; q <= last && complete < distinct.size(); ++q) {
        if (q >= settings.textStart && q < settings.textEnd) {
            q = settings.textEnd - 1;
            continue;
        }
        const std::uint32_t value = *ReadLe(bytes, q, width);
        if (!lowPresent[value & 0xFFFF]) continue;
        const auto found = std::lower_bound(distinct.begin(), distinct.end(), value);
        if (found == distinct.end() || *found != value) continue;
        auto& list = hits[static_cast<std::size_t>(found - distinct.begin())];
        if (list.size() >= kMaxListedPointers) continue;
        list.push_back(q);
        if (list.size() == kMaxListedPointers) ++complete;
    }

    scatteredPointers.assign(entries.size(), {});
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto found = std::lower_bound(distinct.begin(), distinct.end(), keys[i]);
        scatteredPointers[i] = hits[static_cast<std::size_t>(found - distinct.begin())];
    }
}

void StringDecoder::AppendScatteredHeader(std::size_t entryIndex) {
    ScriptText::Writer write(out);
    for (const std::int64_t offset : scatteredPointers[entryIndex]) {
        write.AppendHex(Wrap(offset));
        write.Append(" ");
    }
    const std::int64_t value = static_cast<std::int64_t>(entries[entryIndex].address) - settings.xOffset;
    write.Append("(");
    write.AppendHex(Wrap(value));
    write.Append(")\r\n");
}

void StringDecoder::AppendHexLine(std::string_view before, std::uint32_t value, std::string_view after) {
    ScriptText::Writer write(out);
    write.Append(before);
    write.AppendHex(value);
    write.Append(after);
}

bool StringDecoder::Run(TableType tableType, TextType textType) {
    std::int32_t pascalOffset = 0;
    const int scatteredWidth =
        tableType == TableType::Scattered2 ? 2 : (tableType == TableType::Scattered4 ? 4 : 0);
    if (scatteredWidth != 0) FindScatteredPointers(scatteredWidth);

    // PascalLine without a table is a single no-table string like any other layout's.
    const bool pascal = tableType == TableType::PascalLine && TablePresent(settings);
    std::vector<std::uint16_t> decoded;
    // Room for the usual script, which takes some two bytes per byte of text,
    // so that it is not copied as it grows; a text area of many megabytes
    // (a whole ROM searched for Scattered strings) may hold far less text.
    constexpr std::int64_t kMostReservedText = std::int64_t{16} << 20;
    const std::int64_t area = static_cast<std::int64_t>(settings.textEnd) - settings.textStart + 1;
    const std::int64_t most = std::min(static_cast<std::int64_t>(rom.size()), kMostReservedText);
    const std::int64_t text = std::clamp<std::int64_t>(area, 0, most);
    out.Reserve(static_cast<std::size_t>(text) * 2 + entries.size() * 16);

    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PointerEntry& entry = entries[i];
        std::int64_t start = 0;
        std::int64_t end = 0;
        std::int64_t length = 0;  // bytes of Regular text
        bool emptyString = false;

        if (pascal) {
            length = entry.address;
            start = static_cast<std::int64_t>(settings.textStart) + pascalOffset;
            end = start + length - 1;
            pascalOffset = static_cast<std::int32_t>(static_cast<std::uint32_t>(pascalOffset) +
                                                     static_cast<std::uint32_t>(entry.address));
        } else if (tableType == TableType::Custom1) {
            start = entry.address;
            end = start + entry.location;
            length = entry.location;
        } else {
            start = entry.address;
            const bool hasNext = i + 1 < entries.size();
            end = hasNext ? static_cast<std::int64_t>(entries[i + 1].address)
                          : static_cast<std::int64_t>(settings.textEnd) + 1;
            if (start == end) {
                if (hasNext) {
                    // Two pointers to one text: the text stands once, under the run's last pointer.
                    AppendHexLine("", Wrap(entry.location), " r");
                    AppendHexLine("", Wrap(entries[i + 1].location), "\r\n");
                    continue;
                }
                // A last pointer just past the text area has no partner for a
                // repeat line: it stands for an empty string.
                emptyString = true;
            }
            if (end < start && end != 0 && settings.textEnd != 0) {
                AppendHexLine("Error: Start is greater than end (start==", Wrap(start), ")");
                return true;
            }
            if (entry.location != -1) {
                if (scatteredWidth != 0) {
                    AppendScatteredHeader(i);
                } else {
                    AppendHexLine("", Wrap(entry.location), "\r\n");
                }
            }
            length = end - start;
        }

        decoded.clear();
        // One more value than the script has room for shows that it would not fit.
        const std::size_t room = out.size() < kMaxScriptCharacters ? kMaxScriptCharacters - out.size() : 0;
        if (textType == TextType::HuffmanV1) {
            if (settings.tableStart < 0x10 && settings.tableEnd < 0x10) AppendHexLine("", Wrap(start), "\r\n");
            if (!emptyString) decoded = DecodeHuffmanV1(rom, settings.huffTable, start, end, settings.textEnd > 0, room + 1);
        } else if (textType == TextType::HuffmanV2) {
            if (!emptyString) decoded = DecodeHuffmanV2(rom, settings.huffTable, start, room + 1);
        } else if (!emptyString) {
            if ((settings.textEnd != 0 && length <= kLongestRegularString) || tableType == TableType::Custom1) {
                // Cut at the end of the file: nothing past it is ever taken.
                const auto bytes = ReadSpan(rom, start, std::max<std::int64_t>(length, 0));
                if (bytes.size() > room) return false;
                if (!AppendDecodedText(out, table, bytes, kMaxScriptCharacters)) return false;
            } else {
                AppendHexLine("0x", Wrap(start), "\r\n");
            }
            continue;
        }
        if (decoded.size() > room) return false;
        if (!AppendDecodedText(out, table, std::span<const std::uint16_t>(decoded), kMaxScriptCharacters)) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> DecodeStrings(std::span<const std::uint8_t> rom, const JobSettings& job,
                                         std::span<const PointerEntry> entries, TableType tableType,
                                         TextType textType, const CharTable* table, std::u16string_view header) {
    StringDecoder decoder(rom, job, entries, table, header);
    if (!decoder.Run(tableType, textType)) return std::nullopt;
    return decoder.TakeScript();
}

}  // namespace quorvex
