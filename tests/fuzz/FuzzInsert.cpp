// Insert and Check Insert on a random script, table and ROM. Neither may
// crash or hang; Insert may change nothing but the ROM file, never its size,
// and leaves the ROM byte-identical whenever it stops or is declined. Check
// Insert writes nothing and agrees with Insert about which scripts go in and
// where their text ends.
//
// Input: a flag byte (read mode), a byte of Yes/No answers, the table file up
// to a zero byte (none when empty), the script file up to a zero byte, then the ROM.
#include "FuzzSupport.h"

#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Numbers.h"

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint8_t answers = input.Byte();
    const TextDecoding decoding = fuzz::DecodingFromFlags(flags);

    const auto tableBytes = input.Part();
    std::optional<CharTable> table;
    if (!tableBytes.empty()) table = CharTable::FromText(DecodeTextFile(tableBytes, decoding));
    const CharTable* tablePointer = table ? &*table : nullptr;
    const std::u16string script = DecodeTextFile(input.Part(), decoding);
    const auto romSpan = input.Rest();
    const std::vector<std::uint8_t> original(romSpan.begin(), romSpan.end());

    fuzz::EmptyScratchFolder();
    const std::filesystem::path romPath = fuzz::ScratchFolder() / "game.rom";
    fuzz::WriteFileOrFail(romPath, original);

    const CommandResult report = commands::CheckInsert({romPath, {{}, tablePointer}, {{}, &script}});
    QUORVEX_FUZZ_CHECK(report.output.has_value() || !report.ok());
    const std::u16string reportText = report.output.value_or(u"");
    QUORVEX_FUZZ_CHECK(fuzz::ScratchFiles().size() == 1);
    QUORVEX_FUZZ_CHECK(fuzz::ReadFileOrFail(romPath) == original);

    fuzz::PatternPrompt prompt(answers);
    const CommandResult inserted = commands::Insert({romPath, {{}, tablePointer}, {{}, &script}}, prompt);
    const bool written = inserted.ok();
    QUORVEX_FUZZ_CHECK(inserted.messages.size() == 1);
    // The ROM is a writable file of this process's own folder: no file error.
    QUORVEX_FUZZ_CHECK(inserted.messages.front().severity != Severity::Critical);
    const std::u16string& last = inserted.messages.front().text;

    // Nothing but the ROM, and no leftover temporary file.
    const auto files = fuzz::ScratchFiles();
    QUORVEX_FUZZ_CHECK(files.size() == 1 && files.front() == romPath);
    const std::vector<std::uint8_t> after = fuzz::ReadFileOrFail(romPath);
    QUORVEX_FUZZ_CHECK(after.size() == original.size());
    if (!written) QUORVEX_FUZZ_CHECK(after == original);

    // A script Check Insert cannot read is one Insert cannot read either, and
    // a walk Check Insert had to stop is a walk Insert cannot finish.
    if (reportText == messages::kBadFileCheck) QUORVEX_FUZZ_CHECK(!written && last == messages::kBadFileInsert);
    if (report.exit == ExitClass::Failed) QUORVEX_FUZZ_CHECK(!written);

    // Without move lines both walk the same strings one after another from
    // Text Start, so Insert ends where Check Insert's total says.
    const bool moves = script.find(u'm') != std::u16string::npos || script.find(u'M') != std::u16string::npos;
    const std::u16string totalKey = u"Total length: ";
    const std::size_t totalAt = reportText.find(totalKey);
    if (written && !moves && totalAt != std::u16string::npos) {
        const auto total = ScanInt(std::u16string_view(reportText).substr(totalAt + totalKey.size()));
        const auto header = ReadScriptHeader(script);
        QUORVEX_FUZZ_CHECK(total.has_value() && header.has_value());
        const std::int64_t over = *total - (static_cast<std::int64_t>(header->job.textEnd) - header->job.textStart + 1);
        QUORVEX_FUZZ_CHECK(last.starts_with(over > 0 ? messages::EndedOver(over) : messages::EndedLeftOver(-over)));
    }

    // Test runs the first body line through the same reader.
    const auto body = FindScriptBody(script);
    if (body) {
        const std::size_t end = FindLineEnd(script, *body);
        (void)commands::Test({script.substr(*body, end - *body), {{}, tablePointer}});
    }
    return 0;
}
