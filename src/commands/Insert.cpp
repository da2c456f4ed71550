#include "commands/Commands.h"

#include "commands/ImageOutputs.h"
#include "commands/ReadInputs.h"
#include "insert/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace quorvex::commands {

std::optional<std::vector<std::uint8_t>> InsertIntoImage(std::span<const std::uint8_t> image,
                                                         const InsertInputs& inputs, const InsertRequest& request,
                                                         Prompt& prompt, CommandResult& result) {
    const CTextEngine engine;
    InsertResult inserted =
        engine.Insert(image, inputs.table, inputs.script, prompt, request.shortest, request.othersAreas);
    if (inserted.outcome != InsertResult::Outcome::Written) {
        result.Fail(Severity::Warning, inserted.message);
        return std::nullopt;
    }
    result.Tell(Severity::Information, inserted.message);
    return std::move(inserted.image);
}

CommandResult Insert(const InsertRequest& request, Prompt& prompt) {
    return Guarded([&] {
        const ImageOutputs outputs{request.output, request.patch, request.checksum};
        if (auto refused = RefuseOutputs(request.rom, outputs)) return *refused;
        CommandResult result;
        std::optional<CharTable> tableRead;
        std::optional<std::u16string> scriptRead;
        const CharTable* table = UseTable(request.table, request.decoding, tableRead, result);
        const std::u16string& script = UseScript(request.script, request.decoding, scriptRead);
        // A script that is no script is refused before the ROM is touched.
        if (!IsCompleteScript(script)) return result.Fail(Severity::Warning, messages::kBadFileInsert);
        const InsertInputs inputs{table, script};

        if (outputs.leaveRomAlone()) {
            // The ROM is only read, so it needs neither write access nor the lock.
            const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
            auto image = InsertIntoImage(rom, inputs, request, prompt, result);
            if (image && FixImageChecksum(*image, outputs.checksum, result))
                static_cast<void>(WriteOutputs(request.rom, rom, *image, outputs, result));
            return result;
        }

        // A ROM that could not be saved afterwards is refused up front.
        CheckWritable(request.rom);
        // Held from the read to the save: a second insert into the same ROM
        // waits, then starts from this one's result.
        const FileUpdateLock lock(request.rom);
        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        auto image = InsertIntoImage(rom, inputs, request, prompt, result);
        if (image && FixImageChecksum(*image, outputs.checksum, result)) SaveFileAtomically(request.rom, *image);
        return result;
    });
}

}  // namespace quorvex::commands
