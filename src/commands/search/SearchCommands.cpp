#include "commands/search/SearchCommands.h"

#include "commands/Outputs.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <algorithm>

namespace quorvex::commands {
namespace {

// The listings end their lines with LF alone: they are read in a terminal and
// cut into fields by scripts, where a CR would stick to the last number.
constexpr std::u16string_view kLineEnd = u"\n";

std::optional<std::u16string> RefuseSearch(const RelativeSearchRequest& request) {
    if (auto refused = CheckSearchText(request.text)) return std::u16string(*refused);
    if (request.options.width != 1 && request.options.width != 2) return std::u16string(messages::kSearchWidth);
    if (request.hit == 0) return std::u16string(messages::kHitNumber);
    return WrittenInput({request.tableOut}, {request.rom});
}

}  // namespace

CommandResult RelativeSearch(const RelativeSearchRequest& request) {
    return Guarded([&] {
        CommandResult result;
        if (auto refused = RefuseSearch(request)) return result.Fail(Severity::Warning, *refused, ExitClass::Usage);
        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        RelativeSearchOptions options = request.options;
        // The draft's hit is kept even when it lies past the lines shown.
        if (!request.tableOut.empty()) options.maxHits = std::max(options.maxHits, request.hit);
        const RelativeSearchResult found = quorvex::RelativeSearch(rom, request.text, options);
        const auto count = static_cast<std::int64_t>(found.hitCount);

        if (!request.tableOut.empty() && !found.hits.empty()) {
            if (request.hit > found.hits.size())
                return result.Fail(Severity::Warning, messages::NoSuchHit(static_cast<std::int64_t>(request.hit), count));
            SaveUtf8Atomically(request.tableOut, DraftTable(rom, request.text, found.hits[request.hit - 1],
                                                            options.width, options.bigEndian));
        }

        std::u16string output;
        const std::size_t shown = std::min(found.hits.size(), request.options.maxHits);
        for (std::size_t i = 0; i < shown; ++i) {
            output += FormatRelativeHit(found.hits[i], options.width);
            output += kLineEnd;
        }
        result.output = std::move(output);
        result.Tell(Severity::Information, messages::HitCount(count));
        if (count > 0) return result;
        result.exit = ExitClass::Over;
        if (const auto start = LongestHittingStart(rom, request.text, request.options))
            result.Tell(Severity::Information,
                        messages::StartHits(start->start, start->offset, static_cast<std::int64_t>(start->hitCount)));
        return result;
    });
}

FindPointersOutcome FindPointers(const FindPointersRequest& request) {
    FindPointersOutcome outcome;
    outcome.result = Guarded([&] {
        CommandResult result;
        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        if (auto refused = CheckPointerSearch(rom, request.search))
            return result.Fail(Severity::Warning, *refused, ExitClass::Usage);
        outcome.candidates = FindPointerTables(rom, request.search);
        if (outcome.candidates.empty()) {
            result.Fail(Severity::Information, messages::kNoPointerTable, ExitClass::Over);
            if (!request.search.endByte) result.Tell(Severity::Information, messages::kEndByteHint);
            return result;
        }
        std::u16string output;
        for (const PointerCandidate& candidate : outcome.candidates) {
            output += FormatPointerCandidate(candidate, request.decimal);
            output += kLineEnd;
        }
        result.output = std::move(output);
        result.Tell(Severity::Information,
                    ExtractCommandLine(request.rom.u16string(), outcome.candidates.front(), request.decimal));
        return result;
    });
    if (!outcome.result.ok()) outcome.candidates.clear();
    return outcome;
}

}  // namespace quorvex::commands
