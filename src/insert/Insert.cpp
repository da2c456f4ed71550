#include "chartable/CharTable.h"
#include "insert/ScriptWalk.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Files.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace quorvex {
namespace {

using scriptwalk::Block;
using scriptwalk::EncodedLine;

// Where the bytes of the pointer entry at an offset lie, least significant
// first; empty for layouts that have no pointer entries.
class EntryShape {
public:
    EntryShape(TableType tableType, std::int32_t half) : m_tableType(tableType), m_half(half) {}

    [[nodiscard]] std::vector<std::int64_t> ByteOffsets(std::int64_t entry) const {
        switch (m_tableType) {
        case TableType::Regular2:
        case TableType::Scattered2: return {entry, entry + 1};
        case TableType::Variation1: return {entry, entry + m_half};
        case TableType::Regular3: return {entry, entry + 1, entry + 2};
        case TableType::Regular4:
        case TableType::Scattered4: return {entry, entry + 1, entry + 2, entry + 3};
        case TableType::Variation4: return {entry + 3, entry + 2, entry + 1, entry};
        case TableType::PascalLine:
        case TableType::Custom1: break;
        }
        return {};
    }

private:
    TableType m_tableType;
    std::int32_t m_half;
};

// Distance from a Variation1 low byte to its high byte, computed as Extract
// computes it (in single precision); the difference is taken wide so that no
// header can overflow it.
std::int32_t SplitHalf(const JobSettings& job) {
    const std::int64_t span = static_cast<std::int64_t>(job.tableEnd) - job.tableStart;
    return RoundHalfUp(static_cast<float>(span) / 2.0f);
}

// One run of the walk over an in-memory copy of the ROM. Nothing reaches the
// file from here: the caller saves the image only when Run finishes.
class Inserter {
public:
    enum class Outcome { Finished, Declined, Stopped };

    Inserter(CTextEngine& engine, const ScriptHeader& header, const CharTable* table, std::u16string_view script,
             std::span<const std::uint8_t> original)
        : m_engine(engine),
          m_header(header),
          m_table(table),
          m_script(script),
          m_original(original),
          m_image(original.begin(), original.end()),
          m_layout(ReadBodyLayout(header)),
          m_shape(header.tableType, header.tableType == TableType::Variation1 ? SplitHalf(header.job) : 0),
          m_writePosition(header.job.textStart),
          m_tablePosition(header.job.tableStart) {}

    Outcome Run(std::size_t bodyStart, Prompt& prompt) {
        std::size_t pos = bodyStart;
        while (pos < m_script.size()) {
            Block block = scriptwalk::ReadBlock(m_script, pos, m_layout, m_header.tableType);
            if (!block.problem.empty()) return Stop(std::move(block.problem));
            if (!BlockHead(block)) return Outcome::Stopped;
            if (block.isRepeat) {
                pos = block.pointer->next;
                continue;
            }
            if (!WriteString(block.textLine)) return Outcome::Stopped;
            if (OverLimit() > 0 && !prompt.askYesNo(messages::OverLimitQuestion(OverLimit()))) return Outcome::Declined;
            pos = NextLineStart(m_script, block.textLine);
        }
        ApplyRepeats();
        return Outcome::Finished;
    }

    [[nodiscard]] const std::vector<std::uint8_t>& image() const noexcept { return m_image; }
    [[nodiscard]] const std::u16string& stopMessage() const noexcept { return m_stopMessage; }
    [[nodiscard]] std::int64_t stringsWithoutPointer() const noexcept { return m_stringsWithoutPointer; }
    // Bytes past the end of the text area; 0 or less while the text fits.
    [[nodiscard]] std::int64_t OverLimit() const noexcept {
        return m_writePosition - (static_cast<std::int64_t>(m_header.job.textEnd) + 1);
    }

private:
    Outcome Stop(std::u16string message) {
        m_stopMessage = std::move(message);
        return Outcome::Stopped;
    }
    bool Fail(std::u16string message) {
        m_stopMessage = std::move(message);
        return false;
    }

    [[nodiscard]] bool Inside(std::int64_t offset) const noexcept {
        return offset >= 0 && offset < static_cast<std::int64_t>(m_image.size());
    }
    bool PutByte(std::int64_t offset, std::uint8_t value) {
        if (!Inside(offset)) return Fail(messages::PastEndOfRom(offset));
        m_image[static_cast<std::size_t>(offset)] = value;
        return true;
    }
    bool CheckEntryInside(std::int64_t entry) {
        for (const std::int64_t offset : m_shape.ByteOffsets(entry))
            if (!Inside(offset)) return Fail(messages::PastEndOfRom(offset));
        return true;
    }
    [[nodiscard]] std::uint32_t PointerValue() const noexcept {
        return static_cast<std::uint32_t>(m_writePosition - m_header.job.xOffset);
    }

    // The head of a block: the pointer line (or the length-table entry) for
    // the string that follows.
    bool BlockHead(const Block& block) {
        switch (m_layout) {
        case BodyLayout::TextOnly: return true;
        case BodyLayout::LengthTable:
            m_stringLength = 0;
            if (m_header.tableType != TableType::Custom1) return true;
            return PutByte(m_tablePosition + 1, static_cast<std::uint8_t>(PointerValue())) &&
                   PutByte(m_tablePosition + 2, static_cast<std::uint8_t>(PointerValue() >> 8));
        case BodyLayout::PointerLines: break;
        }
        if (block.lacksPointer) {
            ++m_stringsWithoutPointer;
            return true;
        }
        return WritePointerEntry(*block.pointer);
    }

    // A repeat line is only recorded: it takes the value its source holds
    // once the walk is over, wherever in the script that source is written.
    bool WritePointerEntry(const PointerLine& line) {
        const std::int64_t entry = *line.offset;
        if (line.kind == PointerLineKind::Repeat) {
            if (!CheckEntryInside(entry) || !CheckEntryInside(*line.second)) return false;
            m_repeats[entry] = *line.second;
            return true;
        }
        if (line.kind == PointerLineKind::Move) m_writePosition = *line.second;
        if (!CheckEntryInside(entry)) return false;
        const std::uint32_t value = PointerValue();
        const auto offsets = m_shape.ByteOffsets(entry);
        for (std::size_t i = 0; i < offsets.size(); ++i)
            m_image[static_cast<std::size_t>(offsets[i])] = static_cast<std::uint8_t>(value >> (8 * i));
        return true;
    }

    bool WriteString(std::size_t textLine) {
        const EncodedLine line =
            scriptwalk::EncodeTextLine(m_script, textLine, m_table, m_engine.settings.longestTextLength);
        if (!line.problem.empty()) return Fail(line.problem);
        const bool huffman = m_header.textType == TextType::HuffmanV2;
        if (!(huffman ? WriteHuffmanText(line) : WritePlainText(line))) return false;
        if (line.notInTableAt)
            return Fail(messages::NotInTable(scriptwalk::CharactersAt(m_script, *line.notInTableAt)));
        return WriteLengthEntry();
    }

    bool WritePlainText(const EncodedLine& line) {
        for (const auto& character : line.characters) {
            for (int i = 0; i < character.count; ++i)
                if (!PutByte(m_writePosition++, character.bytes[i])) return false;
            m_stringLength += character.count;
        }
        return true;
    }

    bool WriteHuffmanText(const EncodedLine& line) {
        BitWriterState state;
        state.offset = m_writePosition;
        for (const auto& character : line.characters) {
            // A Huffman code carries one byte value; the rest of a longer entry is dropped.
            if (character.count == 0) continue;
            // The code table is read as the file holds it, not as this run may
            // have overwritten it, so Check Insert measures the same codes.
            const auto index = scriptwalk::FindHuffmanIndex(m_original, m_header.job.huffTable, character.bytes[0]);
            if (!index) return Fail(messages::NotInTable(scriptwalk::CharactersAt(m_script, character.at)));
            m_engine.bytesFlushed = 0;
            if (!scriptwalk::EmitHuffmanIndex(m_engine, state, *index, true, m_image))
                return Fail(messages::PastEndOfRom(state.offset));
            m_stringLength += m_engine.bytesFlushed;
        }
        // A line cut short by an unknown character ends the whole insert, so
        // its string is never finished.
        if (line.notInTableAt) return true;
        m_engine.bytesFlushed = 0;
        if (!scriptwalk::EndHuffmanString(m_engine, state, true, m_image))
            return Fail(messages::PastEndOfRom(state.offset));
        m_stringLength += m_engine.bytesFlushed;
        m_writePosition = state.offset;
        return true;
    }

    bool WriteLengthEntry() {
        if (m_layout != BodyLayout::LengthTable) return true;
        if (!PutByte(m_tablePosition, static_cast<std::uint8_t>(m_stringLength))) return false;
        m_tablePosition += m_header.tableType == TableType::Custom1 ? 3 : 1;
        return true;
    }

    // Each repeated entry takes the final bytes of the entry it names,
    // following chains of repeats; a chain that closes on itself keeps the
    // values the entries had.
    void ApplyRepeats() {
        std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> copies;
        for (const auto& [target, named] : m_repeats) {
            std::int64_t source = named;
            std::set<std::int64_t> visited{target};
            for (auto next = m_repeats.find(source); next != m_repeats.end() && visited.insert(source).second;
                 next = m_repeats.find(source))
                source = next->second;
            std::vector<std::uint8_t> bytes;
            for (const std::int64_t offset : m_shape.ByteOffsets(source))
                bytes.push_back(m_image[static_cast<std::size_t>(offset)]);
            copies.emplace_back(target, std::move(bytes));
        }
        for (const auto& [target, bytes] : copies) {
            const auto offsets = m_shape.ByteOffsets(target);
            for (std::size_t i = 0; i < offsets.size(); ++i) m_image[static_cast<std::size_t>(offsets[i])] = bytes[i];
        }
    }

    CTextEngine& m_engine;
    const ScriptHeader& m_header;
    const CharTable* m_table;
    std::u16string_view m_script;
    std::span<const std::uint8_t> m_original;
    std::vector<std::uint8_t> m_image;
    BodyLayout m_layout;
    EntryShape m_shape;
    std::int64_t m_writePosition;
    std::int64_t m_tablePosition;
    std::int64_t m_stringLength = 0;
    std::int64_t m_stringsWithoutPointer = 0;
    std::map<std::int64_t, std::int64_t> m_repeats;  // entry -> the entry whose value it takes
    std::u16string m_stopMessage;
};

std::u16string FinalMessage(const Inserter& inserter) {
    const std::int64_t over = inserter.OverLimit();
    return over > 0 ? messages::EndedOver(over) : messages::EndedLeftOver(-over);
}

}  // namespace

bool CTextEngine::Insert(const std::filesystem::path& romPath, const CharTable* table, std::u16string_view script,
                         Prompt& prompt) {
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
    if (!header || !body) {
        prompt.notify(messages::kBadFileInsert);
        return false;
    }
    rom = RomFile::OpenForWriting(romPath);
    const std::int32_t longestTextLength = settings.longestTextLength;
    const std::int32_t commandLength = settings.commandLength;
    settings = header->job;
    settings.longestTextLength = longestTextLength;
    settings.commandLength = commandLength;

    Inserter inserter(*this, *header, table, script, rom.bytes());
    switch (inserter.Run(*body, prompt)) {
    case Inserter::Outcome::Stopped: prompt.notify(inserter.stopMessage()); return false;
    case Inserter::Outcome::Declined:
        prompt.notify(FinalMessage(inserter) + u"\r\n" + std::u16string(messages::kRomNotChanged));
        return false;
    case Inserter::Outcome::Finished: break;
    }
    SaveFileAtomically(romPath, inserter.image());
    std::u16string message = FinalMessage(inserter);
    if (inserter.stringsWithoutPointer() > 0)
        message += u"\r\n" + messages::StringsWithoutPointer(inserter.stringsWithoutPointer());
    prompt.notify(message);
    return true;
}

}  // namespace quorvex
