#include "chartable/CharTable.h"
#include "insert/ScriptWalk.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"

namespace quorvex {
namespace {

using scriptwalk::Block;
using scriptwalk::EncodedLine;

// Counts what Insert would write as text, without touching any file. Each
// method returns false once the report has been ended by a stop.
class Measurer {
public:
    Measurer(CTextEngine& engine, const ScriptHeader& header, const CharTable* table, std::u16string_view script,
             std::u16string& report)
        : m_engine(engine), m_header(header), m_table(table), m_script(script), m_report(report) {}

    // Huffman v2 lengths depend on the ROM's code table: `rom` holds the ROM
    // as Insert would find it, and must outlive the measurer.
    void UseHuffmanRom(std::span<const std::uint8_t> rom) { m_rom = rom; }

    bool Run(std::size_t bodyStart) {
        const BodyLayout layout = ReadBodyLayout(m_header);
        std::size_t pos = bodyStart;
        while (pos < m_script.size()) {
            const Block block = scriptwalk::ReadBlock(m_script, pos, layout, m_header.tableType);
            if (!block.problem.empty()) return Stop(block.problem);
            if (block.isRepeat) {
                pos = block.pointer->next;
                continue;
            }
            if (!MeasureString(block.textLine)) return false;
            pos = NextLineStart(m_script, block.textLine);
        }
        return true;
    }

    [[nodiscard]] std::int64_t total() const noexcept { return m_total; }

private:
    bool Stop(std::u16string_view text) {
        m_report += text;
        return false;
    }
    bool StopAtUnknown(std::size_t at) {
        m_report += messages::kUnexpectedLetter;
        m_report += scriptwalk::CharactersAt(m_script, at);
        m_report += u"\r\n";
        return false;
    }

    bool MeasureString(std::size_t textLine) {
        const EncodedLine line =
            scriptwalk::EncodeTextLine(m_script, textLine, m_table, m_engine.settings.longestTextLength);
        if (!line.problem.empty()) return Stop(line.problem);
        if (m_header.textType == TextType::HuffmanV2) {
            if (!MeasureHuffman(line)) return false;
        } else {
            for (const auto& character : line.characters) m_total += character.count;
        }
        if (line.notInTableAt) return StopAtUnknown(*line.notInTableAt);
        return true;
    }

    // With the write flag clear the bit writer only counts bytes, so it
    // needs no image and cannot fail.
    bool MeasureHuffman(const EncodedLine& line) {
        BitWriterState state;
        for (const auto& character : line.characters) {
            if (character.count == 0) continue;
            const auto index = scriptwalk::FindHuffmanIndex(m_rom, m_header.job.huffTable, character.bytes[0]);
            if (!index) return StopAtUnknown(character.at);
            m_engine.bytesFlushed = 0;
            (void)scriptwalk::EmitHuffmanIndex(m_engine, state, *index, false, {});
            m_total += m_engine.bytesFlushed;
        }
        if (line.notInTableAt) return true;
        m_engine.bytesFlushed = 0;
        (void)scriptwalk::EndHuffmanString(m_engine, state, false, {});
        m_total += m_engine.bytesFlushed;
        return true;
    }

    CTextEngine& m_engine;
    const ScriptHeader& m_header;
    const CharTable* m_table;
    std::u16string_view m_script;
    std::u16string& m_report;
    std::span<const std::uint8_t> m_rom;
    std::int64_t m_total = 0;
};

}  // namespace

CheckReport CTextEngine::CheckInsert(const CharTable* table, std::u16string_view script,
                                     const std::filesystem::path* romPath) {
    CheckReport report;
    const std::optional<ScriptHeader> header = ReadScriptHeader(script);
    const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
    if (!header || !body) {
        report.text = messages::kBadFileCheck;
        report.verdict = CheckReport::Verdict::BadFile;
        return report;
    }
    const std::int32_t longestTextLength = settings.longestTextLength;
    const std::int32_t commandLength = settings.commandLength;
    settings = header->job;
    settings.longestTextLength = longestTextLength;
    settings.commandLength = commandLength;

    const std::int64_t size = static_cast<std::int64_t>(settings.textEnd) - settings.textStart + 1;
    report.text = messages::CheckFirstLine(settings.textStart, settings.textEnd, size);
    report.verdict = CheckReport::Verdict::Stopped;

    Measurer measurer(*this, *header, table, script, report.text);
    if (header->textType == TextType::HuffmanV2) {
        if (romPath == nullptr) {
            report.text += messages::kHuffmanNeedsRom;
            return report;
        }
        rom = RomFile::OpenForReading(*romPath);
        measurer.UseHuffmanRom(rom.bytes());
    }
    if (!measurer.Run(*body)) return report;

    const std::int64_t total = measurer.total();
    report.text += messages::kCheckDone;
    report.text += messages::TotalLength(total);
    if (total > size) {
        report.text += messages::CheckOver(total - size);
        report.verdict = CheckReport::Verdict::Over;
    } else if (total == size) {
        report.text += messages::kTextFits;
        report.verdict = CheckReport::Verdict::Fits;
    } else {
        report.text += messages::CheckUnder(size - total);
        report.verdict = CheckReport::Verdict::Under;
    }
    return report;
}

}  // namespace quorvex
