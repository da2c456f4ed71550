#include "insert/Insert.h"

#include "insert/CheckInsert.h"
#include "insert/ScriptWalk.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/ByteOrder.h"
#include "pointers/AddressMap.h"
#include "pointers/PointerLayout.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace quorvex {
namespace {

using scriptwalk::Block;

// One run of the walk over an in-memory copy of the ROM. Nothing reaches a
// file from here: the caller saves the image only when Run finishes.
class Inserter {
public:
    enum class Outcome { Finished, Declined, Stopped };

    Inserter(const ScriptHeader& header, const CharTable* table, std::u16string_view script,
             std::span<const std::uint8_t> original, bool shortest, std::span<const ClaimedArea> othersAreas)
        : m_header(header),
          m_table(table),
          m_script(script),
          m_image(original.begin(), original.end()),
          m_bodyLayout(ReadBodyLayout(header)),
          m_pointerLayout(LayoutOf(header.tableType, header.job)),
          m_map(header.job, original.size(), PointerWidth(header.tableType, header.job)),
          // The code table is read as the file holds it, not as this run may
          // have overwritten it, so Check Insert measures the same codes.
          m_encoding{header.textType, original, header.job.huffTable, shortest},
          m_writePosition(header.job.textStart),
          m_tablePosition(header.job.tableStart),
          m_othersAreas(othersAreas) {}

    Outcome Run(std::size_t bodyStart, Prompt& prompt) {
        std::size_t pos = bodyStart;
        while (pos < m_script.size()) {
            Block block = scriptwalk::ReadBlock(m_script, pos, m_bodyLayout, m_header.tableType,
                                                  m_header.job.nullPointer.has_value());
            if (!block.problem.empty()) return Stop(std::move(block.problem));
            if (!BlockHead(block)) return Outcome::Stopped;
            if (block.isRepeat) {
                pos = block.pointer->next;
                continue;
            }
            if (!WriteString(block.textLine)) return Outcome::Stopped;
            if (OverLimit() > 0 && !prompt.askYesNo(messages::OverLimitQuestion(OverLimit()))) return Outcome::Declined;
            pos = NextLineStart(m_script, m_string.lineEnd);
        }
        ApplyRepeats();
        return Outcome::Finished;
    }

    [[nodiscard]] std::vector<std::uint8_t> TakeImage() { return std::move(m_image); }
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
    // Writes bytes at the write position and moves it past them; stops at the first byte outside the image.
    bool PutBytes(std::span<const std::uint8_t> bytes) {
        if (Inside(m_writePosition) && Inside(m_writePosition + static_cast<std::int64_t>(bytes.size()) - 1)) {
            std::copy(bytes.begin(), bytes.end(), m_image.begin() + static_cast<std::ptrdiff_t>(m_writePosition));
            m_writePosition += static_cast<std::int64_t>(bytes.size());
            return true;
        }
        for (const std::uint8_t byte : bytes)
            if (!PutByte(m_writePosition++, byte)) return false;
        return true;
    }
    bool CheckEntryInside(std::int64_t entry) {
        if (!m_pointerLayout) return true;
        if (const auto outside = m_pointerLayout->ByteOutside(m_image.size(), entry))
            return Fail(messages::PastEndOfRom(*outside));
        return true;
    }
    // The value pointing at the write position, keeping what the map does not
    // use from the value the entry held; none when the map cannot reach it.
    [[nodiscard]] std::optional<std::uint32_t> PointerValue(std::uint32_t old) const {
        return m_map.ToPointer(m_writePosition, old);
    }
    bool LeavesBank(std::size_t textLine, std::int64_t length) {
        const Bank bank = m_map.Place(m_writePosition, length).leaves.value_or(Bank{});
        return Fail(messages::LeavesBank(LineNumberAt(m_script, textLine), bank.first, bank.last));
    }

    // The head of a block: the pointer line (or the length-table entry) for
    // the string that follows.
    bool BlockHead(const Block& block) {
        switch (m_bodyLayout) {
        case BodyLayout::TextOnly: return true;
        case BodyLayout::LengthTable: {
            m_stringLength = 0;
            if (m_header.tableType != TableType::Custom1) return true;
            const auto value = PointerValue(ReadU16Le(m_image, m_tablePosition + 1).value_or(0));
            if (!value) return LeavesBank(block.textLine, 0);
            return PutByte(m_tablePosition + 1, static_cast<std::uint8_t>(*value)) &&
                   PutByte(m_tablePosition + 2, static_cast<std::uint8_t>(*value >> 8));
        }
        case BodyLayout::PointerLines: break;
        }
        m_blockEntry.reset();
        if (block.lacksPointer) {
            ++m_stringsWithoutPointer;
            return true;
        }
        return WritePointerEntry(*block.pointer, block.textLine);
    }

    // A repeat line is only recorded: it takes the value its source holds
    // once the walk is over, wherever in the script that source is written.
    bool WritePointerEntry(const PointerLine& line, std::size_t textLine) {
        const std::int64_t entry = *line.offset;
        if (line.kind == PointerLineKind::Repeat) {
            if (!CheckEntryInside(entry) || !CheckEntryInside(*line.second)) return false;
            m_repeats[entry] = *line.second;
            return true;
        }
        if (line.kind == PointerLineKind::Move) m_writePosition = *line.second;
        if (!CheckEntryInside(entry)) return false;
        // An empty entry has no string to follow: no placement rewrites it.
        if (line.kind == PointerLineKind::Empty) {
            if (m_pointerLayout) (void)m_pointerLayout->Write(m_image, entry, *m_header.job.nullPointer);
            return true;
        }
        m_blockEntry = entry;
        return PointEntry(textLine);
    }

    bool PointEntry(std::size_t textLine) {
        if (!m_pointerLayout || !m_blockEntry) return true;
        const auto value = PointerValue(m_pointerLayout->Read(m_image, *m_blockEntry).value_or(0));
        if (!value) return LeavesBank(textLine, 0);
        (void)m_pointerLayout->Write(m_image, *m_blockEntry, *value);
        return true;
    }

    // With a map no string crosses a bank end: one whose pointer carries the
    // bank starts the next bank instead (the bytes passed over keep what they
    // held), and one that cannot leave its bank stops the walk.
    bool PlaceString(std::size_t textLine, std::int64_t length) {
        const AddressMap::Placement placed = m_map.Place(m_writePosition, length);
        if (placed.leaves) return LeavesBank(textLine, length);
        if (placed.at == m_writePosition) return true;
        m_writePosition = placed.at;
        return PointEntry(textLine);
    }

    bool WriteString(std::size_t textLine) {
        scriptwalk::EncodedString& string = m_string;
        scriptwalk::EncodeString(m_script, textLine, m_table, m_encoding, string);
        if (!string.problem.empty()) return Fail(string.problem);
        if (!PlaceString(textLine, static_cast<std::int64_t>(string.bytes.size()))) return false;
        // Bytes past Text End may not land in another job's area: those go one at a time.
        const std::int64_t last = m_writePosition + static_cast<std::int64_t>(string.bytes.size()) - 1;
        if (last <= m_header.job.textEnd || m_othersAreas.empty()) {
            if (!PutBytes(string.bytes)) return false;
        } else {
            for (const std::uint8_t byte : string.bytes)
                if (!RunsIntoOthers(textLine) || !PutByte(m_writePosition++, byte)) return false;
        }
        m_stringLength += static_cast<std::int64_t>(string.bytes.size());
        if (string.notInTableAt)
            return Fail(messages::NotInTable(scriptwalk::CharactersAt(m_script, *string.notInTableAt)) + u"\r\n" +
                        scriptwalk::PositionOf(m_script, *string.notInTableAt));
        return WriteLengthEntry();
    }

    // False, with the reason, when the next text byte lies past Text End in another job's area.
    bool RunsIntoOthers(std::size_t textLine) {
        if (m_writePosition <= m_header.job.textEnd) return true;
        const ClaimedArea* area = AreaAt(m_othersAreas, m_writePosition);
        if (!area) return true;
        return Fail(messages::RunsIntoArea(LineNumberAt(m_script, textLine), area->isTable, area->owner, area->first,
                                           area->last));
    }

    bool WriteLengthEntry() {
        if (m_bodyLayout != BodyLayout::LengthTable) return true;
        if (!PutByte(m_tablePosition, static_cast<std::uint8_t>(m_stringLength))) return false;
        m_tablePosition += m_header.tableType == TableType::Custom1 ? 3 : 1;
        return true;
    }

    // Each repeated entry takes the final value of the entry it names,
    // following chains of repeats; a chain that closes on itself keeps the
    // values the entries had.
    void ApplyRepeats() {
        if (!m_pointerLayout) return;
        std::vector<std::pair<std::int64_t, std::uint32_t>> copies;
        for (const auto& [target, named] : m_repeats) {
            std::int64_t source = named;
            std::set<std::int64_t> visited{target};
            for (auto next = m_repeats.find(source); next != m_repeats.end() && visited.insert(source).second;
                 next = m_repeats.find(source))
                source = next->second;
            copies.emplace_back(target, *m_pointerLayout->Read(m_image, source));
        }
        for (const auto& [target, value] : copies) (void)m_pointerLayout->Write(m_image, target, value);
    }

    const ScriptHeader& m_header;
    const CharTable* m_table;
    std::u16string_view m_script;
    std::vector<std::uint8_t> m_image;
    BodyLayout m_bodyLayout;
    std::optional<PointerLayout> m_pointerLayout;
    AddressMap m_map;
    scriptwalk::StringEncoding m_encoding;
    std::int64_t m_writePosition;
    std::int64_t m_tablePosition;
    std::span<const ClaimedArea> m_othersAreas;
    std::int64_t m_stringLength = 0;
    std::int64_t m_stringsWithoutPointer = 0;
    std::optional<std::int64_t> m_blockEntry;  // the entry that points at the block's string
    std::map<std::int64_t, std::int64_t> m_repeats;  // entry -> the entry whose value it takes
    scriptwalk::EncodedString m_string;  // the string being written, its buffer kept from line to line
    std::u16string m_stopMessage;
};

// The walk stopped where the user said No; what the whole script would take
// is what Check Insert measures, so the two never tell different figures.
void AddWholeOverflow(std::span<const std::uint8_t> rom, const CharTable* table, std::u16string_view script,
                      bool shortest, std::u16string& message) {
    const CheckReport whole = CheckInsert(table, script, rom, 0, shortest);
    if (whole.verdict != CheckReport::Verdict::Over) return;
    const JobSettings job = ReadScriptHeader(script)->job;
    const std::int64_t size = static_cast<std::int64_t>(job.textEnd) - job.textStart + 1;
    message += u"\r\n" + messages::WholeScriptOver(whole.total - size);
}

std::u16string FinalMessage(std::int64_t over) {
    return over > 0 ? messages::EndedOver(over) : messages::EndedLeftOver(-over);
}

}  // namespace

InsertResult Insert(std::span<const std::uint8_t> rom, const CharTable* table, std::u16string_view script,
                    Prompt& prompt, bool shortest, std::span<const ClaimedArea> othersAreas) {
    InsertResult result;
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
    if (!header || !body) {
        result.outcome = InsertResult::Outcome::BadFile;
        result.message = messages::kBadFileInsert;
        return result;
    }

    Inserter inserter(*header, table, script, rom, shortest, othersAreas);
    const Inserter::Outcome outcome = inserter.Run(*body, prompt);
    result.overLimit = inserter.OverLimit();
    switch (outcome) {
    case Inserter::Outcome::Stopped:
        result.outcome = InsertResult::Outcome::Stopped;
        result.message = inserter.stopMessage();
        return result;
    case Inserter::Outcome::Declined:
        result.outcome = InsertResult::Outcome::Declined;
        result.message = FinalMessage(result.overLimit) + u"\r\n" + std::u16string(messages::kRomNotChanged);
        AddWholeOverflow(rom, table, script, shortest, result.message);
        return result;
    case Inserter::Outcome::Finished: break;
    }
    result.outcome = InsertResult::Outcome::Written;
    result.message = FinalMessage(result.overLimit);
    if (inserter.stringsWithoutPointer() > 0)
        result.message += u"\r\n" + messages::StringsWithoutPointer(inserter.stringsWithoutPointer());
    result.image = inserter.TakeImage();
    return result;
}

}  // namespace quorvex
