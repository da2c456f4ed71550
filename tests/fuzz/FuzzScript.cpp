// The script readers on random text: the header, the body's start, pointer
// lines and the block walk that Insert and Check Insert share. Every reader
// must stay inside the text and every walk must move forward; a header that
// was written must read back as the same job.
//
// Input: a flag byte (read mode), six little-endian 32-bit numbers and two
// type bytes for the written header, then the script file's bytes.
#include "FuzzSupport.h"

#include "chartable/CharTable.h"
#include "insert/ScriptWalk.h"
#include "job/Script.h"
#include "platform/CodePage.h"

namespace {

const quorvex::CharTable& SampleTable() {
    static const quorvex::CharTable table = quorvex::CharTable::FromText(
        u"41=A\r\n42=B\r\n43=C\r\n20= \r\nFF=[END]\r\n0102=<AB>\r\n030405=the\r\n06=\r\n=x\r\n10=r\r\n");
    return table;
}

void WalkBody(std::u16string_view script, const quorvex::ScriptHeader& header, std::size_t body,
              const quorvex::CharTable* table) {
    using namespace quorvex;
    const BodyLayout layout = ReadBodyLayout(header);
    std::size_t pos = body;
    while (pos < script.size()) {
        const scriptwalk::Block block =
            scriptwalk::ReadBlock(script, pos, layout, header.tableType, header.job.nullPointer.has_value());
        if (!block.problem.empty()) return;
        std::size_t next = 0;
        if (block.isRepeat) {
            QUORVEX_FUZZ_CHECK(block.pointer.has_value());
            next = block.pointer->next;
        } else {
            QUORVEX_FUZZ_CHECK(block.textLine >= pos && block.textLine <= script.size());
            const scriptwalk::EncodedLine line = scriptwalk::EncodeTextLine(script, block.textLine, table);
            QUORVEX_FUZZ_CHECK(line.end <= script.size());
            for (const auto& character : line.characters) {
                QUORVEX_FUZZ_CHECK(character.at >= block.textLine && character.at < line.end);
                QUORVEX_FUZZ_CHECK(character.count >= 0 && character.count <= 3);
            }
            if (line.notInTableAt) {
                QUORVEX_FUZZ_CHECK(*line.notInTableAt < line.end);
                QUORVEX_FUZZ_CHECK(scriptwalk::CharactersAt(script, *line.notInTableAt).size() <= 3);
            }
            if (!line.problem.empty() || line.notInTableAt) return;
            next = NextLineStart(script, block.textLine);
        }
        // The walk only ever moves forward, so it ends.
        QUORVEX_FUZZ_CHECK(next > pos || next == script.size());
        QUORVEX_FUZZ_CHECK(next <= script.size());
        if (next == pos) return;
        pos = next;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();

    // A header written from random numbers reads back as the same job.
    const JobSettings job = input.Job();
    const auto tableType = static_cast<TableType>(static_cast<std::int8_t>(input.Byte()));
    const auto textType = static_cast<TextType>(static_cast<std::int8_t>(input.Byte()));
    const std::u16string written = WriteScriptHeader(job, tableType, textType);
    const auto reread = ReadScriptHeader(written);
    QUORVEX_FUZZ_CHECK(reread.has_value());
    QUORVEX_FUZZ_CHECK(reread->job.tableStart == job.tableStart && reread->job.tableEnd == job.tableEnd);
    QUORVEX_FUZZ_CHECK(reread->job.textStart == job.textStart && reread->job.textEnd == job.textEnd);
    QUORVEX_FUZZ_CHECK(reread->job.xOffset == job.xOffset);
    QUORVEX_FUZZ_CHECK(reread->tableType == tableType && reread->textType == textType);
    if (reread->hasHuffTable) QUORVEX_FUZZ_CHECK(reread->job.huffTable == job.huffTable);
    QUORVEX_FUZZ_CHECK(FindScriptBody(written) == written.size());

    // Random text through the readers.
    const std::u16string script = DecodeTextFile(input.Rest(), fuzz::DecodingFromFlags(flags));
    for (std::size_t pos = 0; pos <= script.size(); pos = NextLineStart(script, pos)) {
        const PointerLine line = ParsePointerLine(script, pos);
        QUORVEX_FUZZ_CHECK(line.lineEnd >= pos && line.lineEnd <= script.size());
        QUORVEX_FUZZ_CHECK(line.next >= line.lineEnd && line.next <= script.size());
        QUORVEX_FUZZ_CHECK(line.next > pos || pos == script.size());
        if (line.kind != PointerLineKind::Plain) QUORVEX_FUZZ_CHECK(line.offset.has_value());
        QUORVEX_FUZZ_CHECK(LineNumberAt(script, pos) >= 1);
        if (pos == script.size()) break;
    }

    const auto header = ReadScriptHeader(script);
    const auto body = FindScriptBody(script);
    if (body) QUORVEX_FUZZ_CHECK(*body <= script.size());
    if (!header || !body) return 0;
    WalkBody(script, *header, *body, nullptr);
    WalkBody(script, *header, *body, &SampleTable());
    return 0;
}
