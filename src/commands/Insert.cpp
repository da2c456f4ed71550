#include "commands/Commands.h"

#include "insert/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace quorvex::commands {

CommandResult Insert(const InsertRequest& request, Prompt& prompt) {
    return Guarded([&] {
        CommandResult result;
        // A script that is no script is refused before the ROM is touched.
        if (!IsCompleteScript(request.script)) return result.Fail(Severity::Warning, messages::kBadFileInsert);
        // A ROM that could not be saved afterwards is refused up front.
        CheckWritable(request.rom);
        // Held from the read to the save: a second insert into the same ROM
        // waits, then starts from this one's result.
        const FileUpdateLock lock(request.rom);
        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);

        const CTextEngine engine;
        InsertResult inserted = engine.Insert(rom, request.table, request.script, prompt);
        if (inserted.outcome != InsertResult::Outcome::Written) return result.Fail(Severity::Warning, inserted.message);
        SaveFileAtomically(request.rom, inserted.image);
        result.Tell(Severity::Information, inserted.message);
        return result;
    });
}

}  // namespace quorvex::commands
