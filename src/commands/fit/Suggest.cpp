#include "commands/fit/Suggest.h"

#include "commands/Commands.h"
#include "commands/Outputs.h"
#include "commands/ReadInputs.h"
#include "insert/ScriptWalk.h"
#include "insert/Suggest.h"
#include "insert/TableExtension.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

#include <string_view>
#include <vector>

namespace quorvex::commands {
namespace {

std::optional<std::u16string> RefuseRequest(const SuggestRequest& request) {
    if (request.count < 0) return std::u16string(messages::kSuggestCount);
    if (request.minLength < 2 || request.maxLength > kMaxSuggestLength || request.minLength > request.maxLength)
        return messages::SuggestLengths(kMaxSuggestLength);
    if (request.codes && request.codes->first > request.codes->second) return std::u16string(messages::kSuggestCodes);
    return WrittenInput({request.output}, {request.script.path});
}

// The text lines Check Insert measures, and where each starts in the script;
// a malformed block's message instead.
struct TextLines {
    std::vector<std::u16string_view> lines;
    std::vector<std::size_t> starts;
    std::u16string problem;
};

TextLines ReadTextLines(std::u16string_view script, const ScriptHeader& header, std::size_t body) {
    TextLines text;
    const BodyLayout layout = ReadBodyLayout(header);
    for (std::size_t pos = body; pos < script.size();) {
        const scriptwalk::Block block = scriptwalk::ReadBlock(script, pos, layout, header.tableType,
                                                                   header.job.nullPointer.has_value());
        if (!block.problem.empty()) {
            text.problem = block.problem;
            return text;
        }
        if (block.isRepeat) {
            pos = block.pointer->next;
            continue;
        }
        const std::size_t start = std::min(block.textLine, script.size());
        text.lines.push_back(script.substr(start, FindLineEnd(script, start) - start));
        text.starts.push_back(start);
        pos = NextLineStart(script, block.textLine);
    }
    return text;
}

}  // namespace

CommandResult Suggest(const SuggestRequest& request) {
    return Guarded([&] {
        CommandResult result;
        if (auto refused = RefuseRequest(request)) return result.Fail(Severity::Warning, *refused, ExitClass::Usage);

        // Read once: the table the entries are measured with is the file they are appended to.
        const std::vector<std::uint8_t> tableFile = ReadWholeFile(request.table);
        const CharTable table = CharTable::FromText(DecodeTextFile(tableFile, request.decoding));
        TellUnreadLines(table, result);
        std::optional<std::u16string> read;
        const std::u16string_view script = UseScript(request.script, request.decoding, read);
        const std::optional<ScriptHeader> header = ReadScriptHeader(script);
        const std::optional<std::size_t> body = header ? FindScriptBody(script) : std::nullopt;
        if (!header || !body) return result.Fail(Severity::Warning, messages::kBadFileCheck);
        // Huffman v2 codes are fixed in the ROM: a new code would have none.
        if (header->textType == TextType::HuffmanV2) return result.Fail(Severity::Warning, messages::kSuggestHuffman);

        const TextLines text = ReadTextLines(script, *header, *body);
        if (!text.problem.empty()) return result.Fail(Severity::Warning, text.problem);

        SuggestOptions options;
        options.count = request.count;
        options.codes = request.codes;
        options.minLength = request.minLength;
        options.maxLength = request.maxLength;
        options.shortest = request.shortest;
        const Suggestions suggested = SuggestEntries(table, text.lines, options);
        if (suggested.notInTable) {
            const std::size_t at = text.starts[suggested.notInTable->line] + suggested.notInTable->at;
            std::u16string message(messages::kUnexpectedLetter);
            message += scriptwalk::CharactersAt(script, at);
            message += u"\r\n";
            message += scriptwalk::PositionOf(script, at);
            return result.Fail(Severity::Warning, message);
        }

        std::u16string output;
        for (const SuggestedEntry& entry : suggested.entries)
            output += TableLine(entry) + u"\t" + FormatDec(entry.saving) + u"\r\n";
        output += messages::SuggestTotals(suggested.bytesAfter, suggested.bytesBefore);

        if (!request.output.empty()) {
            const auto extended = ExtendTableFile(tableFile, request.decoding, suggested.entries);
            if (!extended) return result.Fail(Severity::Warning, messages::kSuggestTableEncoding);
            SaveFileAtomically(request.output, *extended);
            result.Tell(Severity::Information,
                        messages::Wrote(request.output.string(), static_cast<std::int64_t>(extended->size())));
        }
        result.output = std::move(output);
        return result;
    });
}

}  // namespace quorvex::commands
