#include "commands/Commands.h"

#include "commands/ReadInputs.h"
#include "insert/CTextEngine.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace quorvex::commands {

CommandResult Extract(const ExtractRequest& request) {
    return Guarded([&] {
        CommandResult result;
        if (IsScattered(request.tableType) && IsHuffman(request.textType))
            result.Tell(Severity::Warning, messages::kHuffmanWithScattered);
        std::optional<CharTable> read;
        const CharTable* table = UseTable(request.table, request.decoding, read, result);
        // Read before the job is looked at, so that a missing ROM is a file
        // error even for a job that would read nothing from it.
        const FileBytes rom = ReadFileBytes(request.rom);
        const CTextEngine engine(request.job);
        ExtractResult extracted = engine.Extract(rom.bytes(), table, request.tableType, request.textType);
        if (!extracted.script) return result.Fail(Severity::Warning, extracted.message);
        if (!request.saveTo.empty()) {
            SaveUtf8Atomically(request.saveTo, *extracted.script);
        } else {
            result.output = FromUtf8(*extracted.script);
        }
        result.Tell(Severity::Information, extracted.message);
        return result;
    });
}

}  // namespace quorvex::commands
