#include "commands/Commands.h"

#include "commands/ReadInputs.h"
#include "insert/CTextEngine.h"
#include "insert/RedoScript.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace quorvex::commands {

RedoOutcome RedoScript(const RedoRequest& request) {
    RedoOutcome outcome;
    outcome.result = Guarded([&] {
        CommandResult result;
        std::optional<CharTable> read;
        const CharTable* table = UseTable(request.table, request.decoding, read, result);
        const FileUpdateLock lock(request.script);
        std::u16string text = DecodeTextFile(ReadFileBytes(request.script).bytes(), request.decoding);
        const std::optional<ScriptHeader> header = ReadScriptHeader(text);
        if (!header || !FindScriptBody(text)) {
            outcome.badFileText = std::move(text);
            return result.Fail(Severity::Warning, messages::kBadFileRedo);
        }
        // A script that could not be saved afterwards must not cost a whole
        // extraction first; the rename of the save would also replace a
        // read-only file, so writability is asked of the file itself.
        CheckWritable(request.script);

        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        const CTextEngine engine(RedoJob(*header));
        ExtractResult extracted = engine.Extract(rom, table, header->tableType, header->textType);
        if (!extracted.script) return result.Fail(Severity::Warning, extracted.message);

        SaveUtf8Atomically(request.script, *extracted.script, true);  // readers stop at the first zero byte
        result.Tell(Severity::Information, extracted.message);
        result.output = FromUtf8(*extracted.script);
        outcome.tableType = header->tableType;
        outcome.textType = header->textType;
        return result;
    });
    return outcome;
}

}  // namespace quorvex::commands
