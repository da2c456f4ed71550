#include "commands/patch/PatchCommands.h"

#include "commands/ImageOutputs.h"
#include "commands/Outputs.h"
#include "patch/PatchFormat.h"
#include "job/Messages.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace quorvex::commands {

namespace {

CommandResult SaveResult(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    SaveFileAtomically(path, bytes);
    CommandResult result;
    result.Tell(Severity::Information, messages::Wrote(path.string(), static_cast<std::int64_t>(bytes.size())));
    return result;
}

}  // namespace

CommandResult MakePatch(const MakePatchRequest& request) {
    return Guarded([&] {
        if (request.patch.empty() || !PatchFormatForPath(request.patch.string()))
            return CommandResult().Fail(Severity::Warning, messages::UnknownPatchExtension(request.patch.string()),
                                        ExitClass::Usage);
        if (auto refused = WrittenInput({request.patch}, {request.original, request.modified}))
            return CommandResult().Fail(Severity::Warning, *refused, ExitClass::Usage);
        CommandResult result;
        const std::vector<std::uint8_t> original = ReadWholeFile(request.original);
        const std::vector<std::uint8_t> modified = ReadWholeFile(request.modified);
        const PatchResult patch = CreatePatchBytes(*PatchFormatForPath(request.patch.string()), original, modified,
                                                   CopierHeaderSize(request.original.string(), original.size()));
        if (!patch.ok()) return result.Fail(Severity::Warning, PatchFailureMessage(patch, request.patch.string()));
        return SaveResult(request.patch, patch.bytes);
    });
}

CommandResult ApplyPatch(const ApplyPatchRequest& request) {
    return Guarded([&] {
        CommandResult result;
        if (auto refused = WrittenInput({request.output}, {request.rom, request.patch}))
            return CommandResult().Fail(Severity::Warning, *refused, ExitClass::Usage);
        const std::vector<std::uint8_t> patch = ReadWholeFile(request.patch);
        const std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        const PatchResult patched = ApplyPatchBytes(patch, rom, CopierHeaderSize(request.rom.string(), rom.size()));
        if (!patched.ok()) return result.Fail(Severity::Warning, PatchFailureMessage(patched, request.patch.string()));
        return SaveResult(request.output, patched.bytes);
    });
}

CommandResult Checksum(const ChecksumRequest& request) {
    return Guarded([&] {
        CommandResult result;
        // A fix reads the ROM under the lock an insert takes.
        std::optional<FileUpdateLock> lock;
        if (request.fix) lock.emplace(request.rom);
        std::vector<std::uint8_t> rom = ReadWholeFile(request.rom);
        const std::optional<ChecksumSystem> system = ChooseChecksumSystem(rom, request.choice);
        const std::optional<ChecksumReport> report = system ? CheckChecksum(rom, *system) : std::nullopt;
        if (!report) return result.Fail(Severity::Warning, NoHeaderMessage(request.choice));
        const bool fixing = request.fix && !report->right;
        if (fixing) {
            CheckWritable(request.rom);
            static_cast<void>(FixChecksum(rom, *system));
            SaveFileAtomically(request.rom, rom);
        }
        result.output = ChecksumLine(*report, fixing) + u"\n";
        if (!report->right && !fixing) result.exit = ExitClass::Over;
        return result;
    });
}

}  // namespace quorvex::commands
