#include "extract/Extract.h"

#include "extract/Huffman.h"
#include "extract/ScriptText.h"

#include "chartable/CharTable.h"
#include "platform/ByteOrder.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <array>

namespace quorvex {

namespace {

constexpr std::size_t kMaxListedPointers = 5;
constexpr std::int64_t kLongestRegularString = 0xFFFF;

// Script numbers are 32-bit values; wider intermediate results wrap like them.
std::u16string Hex(std::int64_t value) {
    return FormatHex(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
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
                  const CharTable* table, std::u16string script)
        : rom(rom), settings(job), entries(entries), table(table), out(script) {}

    // False when the script would grow too large.
    bool Run(TableType tableType, TextType textType);
    std::u16string TakeScript() const { return out.Text(); }

private:
    std::u16string ScatteredHeader(std::size_t entryIndex) const;
    // False as soon as the script grows past kMaxScriptCharacters: one value
    // can stand for a long entry, so the size is watched value by value.
    [[nodiscard]] bool AppendDecodedText(std::span<const std::uint16_t> bytes);
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

std::u16string StringDecoder::ScatteredHeader(std::size_t entryIndex) const {
    std::u16string line;
    for (const std::int64_t offset : scatteredPointers[entryIndex]) {
        line += Hex(offset);
        line += u' ';
    }
    const std::int64_t value = static_cast<std::int64_t>(entries[entryIndex].address) - settings.xOffset;
    line += u'(';
    line += Hex(value);
    line += u")\r\n";
    return line;
}

bool StringDecoder::AppendDecodedText(std::span<const std::uint16_t> bytes) {
    std::size_t p = 0;
    // Bytes still to come that are a control code's parameters: escapes, so
    // the script shows them as such even where the table has a character.
    std::size_t parameters = 0;
    while (p < bytes.size()) {
        if (table && parameters == 0) {
            if (const auto match = table->LookupBytes(bytes, p)) {
                out.Append(match->text);
                p += static_cast<std::size_t>(std::max(match->byteCount, 1));
                parameters = static_cast<std::size_t>(match->parameterBytes);
                if (out.size() > kMaxScriptCharacters) return false;
                continue;
            }
        }
        out.Append(u'<');
        out.Append(FormatHex2(bytes[p]));
        out.Append(u'>');
        ++p;
        if (parameters > 0) --parameters;
        if (out.size() > kMaxScriptCharacters) return false;
    }
    out.Append(u"\r\n");
    return out.size() <= kMaxScriptCharacters;
}

bool StringDecoder::Run(TableType tableType, TextType textType) {
    std::int32_t pascalOffset = 0;
    const int scatteredWidth =
        tableType == TableType::Scattered2 ? 2 : (tableType == TableType::Scattered4 ? 4 : 0);
    if (scatteredWidth != 0) FindScatteredPointers(scatteredWidth);

    // PascalLine without a table is a single no-table string like any other layout's.
    const bool pascal = tableType == TableType::PascalLine && TablePresent(settings);
    std::vector<std::uint16_t> decoded;

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
                    out.Append(Hex(entry.location));
                    out.Append(u" r");
                    out.Append(Hex(entries[i + 1].location));
                    out.Append(u"\r\n");
                    continue;
                }
                // A last pointer just past the text area has no partner for a
                // repeat line: it stands for an empty string.
                emptyString = true;
            }
            if (end < start && end != 0 && settings.textEnd != 0) {
                out.Append(u"Error: Start is greater than end (start==");
                out.Append(Hex(start));
                out.Append(u')');
                return true;
            }
            if (entry.location != -1) {
                if (scatteredWidth != 0) {
                    out.Append(ScatteredHeader(i));
                } else {
                    out.Append(Hex(entry.location));
                    out.Append(u"\r\n");
                }
            }
            length = end - start;
        }

        decoded.clear();
        // One more value than the script has room for shows that it would not fit.
        const std::size_t room = out.size() < kMaxScriptCharacters ? kMaxScriptCharacters - out.size() : 0;
        if (textType == TextType::HuffmanV1) {
            if (settings.tableStart < 0x10 && settings.tableEnd < 0x10) {
                out.Append(Hex(start));
                out.Append(u"\r\n");
            }
            if (!emptyString) decoded = DecodeHuffmanV1(rom, settings.huffTable, start, end, settings.textEnd > 0, room + 1);
        } else if (textType == TextType::HuffmanV2) {
            if (!emptyString) decoded = DecodeHuffmanV2(rom, settings.huffTable, start, room + 1);
        } else if (!emptyString) {
            if ((settings.textEnd != 0 && length <= kLongestRegularString) || tableType == TableType::Custom1) {
                // Cut at the end of the file: nothing past it is ever taken.
                const auto bytes = ReadSpan(rom, start, std::max<std::int64_t>(length, 0));
                decoded.assign(bytes.begin(), bytes.end());
            } else {
                out.Append(u"0x");
                out.Append(Hex(start));
                out.Append(u"\r\n");
                continue;
            }
        }
        if (decoded.size() > room) return false;
        if (!AppendDecodedText(decoded)) return false;
    }
    return true;
}

}  // namespace

std::optional<std::u16string> DecodeStrings(std::span<const std::uint8_t> rom, const JobSettings& job,
                                            std::span<const PointerEntry> entries, TableType tableType,
                                            TextType textType, const CharTable* table, std::u16string script) {
    StringDecoder decoder(rom, job, entries, table, std::move(script));
    if (!decoder.Run(tableType, textType)) return std::nullopt;
    return decoder.TakeScript();
}

}  // namespace quorvex
