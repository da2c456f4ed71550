// Insert and Check Insert on a random script, table and ROM. Neither may
// crash or hang; Insert may change nothing but the ROM file, never its size,
// and leaves the ROM byte-identical whenever it stops or is declined. Check
// Insert writes nothing and agrees with Insert about which scripts go in and
// where their text ends.
//
// Input: a flag byte (read mode; bit 3 halves the longest text length), a
// byte of Yes/No answers, the table file up to a zero byte (none when empty),
// the script file up to a zero byte, then the ROM.
#include "FuzzSupport.h"

#include "chartable/CharTable.h"
#include "insert/TestText.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/FileError.h"

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
    // Bit 3 of the flags: a longest text length cut short, as a stale table would give.
    const std::int32_t longest = !table ? 0 : (flags & 8) ? table->longestTextLength() / 2 : table->longestTextLength();

    fuzz::EmptyScratchFolder();
    const std::filesystem::path romPath = fuzz::ScratchFolder() / "game.rom";
    fuzz::WriteFileOrFail(romPath, original);

    CTextEngine checker;
    checker.settings.longestTextLength = longest;
    const CheckReport report = checker.CheckInsert(tablePointer, script, &romPath);
    QUORVEX_FUZZ_CHECK(fuzz::ScratchFiles().size() == 1);
    QUORVEX_FUZZ_CHECK(fuzz::ReadFileOrFail(romPath) == original);

    CTextEngine engine;
    engine.settings.longestTextLength = longest;
    fuzz::PatternPrompt prompt(answers);
    bool written = false;
    try {
        written = engine.Insert(romPath, tablePointer, script, prompt);
    } catch (const FileError&) {
        // The ROM is a writable file of this process's own folder.
        fuzz::Fail("Insert threw a file error for a writable ROM");
    }
    QUORVEX_FUZZ_CHECK(prompt.notifications == 1);

    // Nothing but the ROM, and no leftover temporary file.
    const auto files = fuzz::ScratchFiles();
    QUORVEX_FUZZ_CHECK(files.size() == 1 && files.front() == romPath);
    const std::vector<std::uint8_t> after = fuzz::ReadFileOrFail(romPath);
    QUORVEX_FUZZ_CHECK(after.size() == original.size());
    if (!written) QUORVEX_FUZZ_CHECK(after == original);

    // A script Check Insert cannot read is one Insert cannot read either, and
    // a walk Check Insert had to stop is a walk Insert cannot finish.
    if (report.verdict == CheckReport::Verdict::BadFile) {
        QUORVEX_FUZZ_CHECK(!written && prompt.last == messages::kBadFileInsert);
    }
    if (report.verdict == CheckReport::Verdict::Stopped) QUORVEX_FUZZ_CHECK(!written);

    // Without move lines both walk the same strings one after another from
    // Text Start, so Insert ends where Check Insert's total says.
    const bool moves = script.find(u'm') != std::u16string::npos || script.find(u'M') != std::u16string::npos;
    const std::u16string totalKey = u"Total length: ";
    const std::size_t totalAt = report.text.find(totalKey);
    if (written && !moves && totalAt != std::u16string::npos) {
        std::int64_t total = 0;
        for (std::size_t i = totalAt + totalKey.size(); i < report.text.size() && report.text[i] >= u'0' &&
                                                        report.text[i] <= u'9';
             ++i)
            total = total * 10 + (report.text[i] - u'0');
        const auto header = ReadScriptHeader(script);
        QUORVEX_FUZZ_CHECK(header.has_value());
        const std::int64_t size = static_cast<std::int64_t>(header->job.textEnd) - header->job.textStart + 1;
        const std::u16string expected = total > size ? messages::EndedOver(total - size) : messages::EndedLeftOver(size - total);
        QUORVEX_FUZZ_CHECK(prompt.last.starts_with(expected));
    }

    // Test runs the first body line through the same reader.
    const auto body = FindScriptBody(script);
    if (body) {
        const std::size_t end = FindLineEnd(script, *body);
        fuzz::PatternPrompt testPrompt(answers);
        (void)RunTest(std::u16string_view(script).substr(*body, end - *body), tablePointer, testPrompt);
    }
    return 0;
}
