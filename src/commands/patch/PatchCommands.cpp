#include "commands/patch/PatchCommands.h"

#include "commands/ImageOutputs.h"
#include "patch/PatchFormat.h"
#include "job/Messages.h"
#include "platform/FileLock.h"
#include "platform/Files.h"

namespace quorvex::commands {

std::u16string PatchFailureMessage(const PatchResult& result, std::string_view patchPath) {
    switch (result.status) {
        case PatchStatus::Ok: return {};
        case PatchStatus::PastSixteenMiB: return std::u16string(messages::kIpsPastSixteenMiB);
        case PatchStatus::SizePastSixteenMiB: return std::u16string(messages::kIpsSizePastSixteenMiB);
        case PatchStatus::TooLarge: return std::u16string(messages::kImageTooLargeToPatch);
        case PatchStatus::WrongSource: return messages::PatchForAnotherRom(result.expectedCrc, result.actualCrc);
        case PatchStatus::Damaged: return std::u16string(messages::kPatchDamaged);
        case PatchStatus::NotAPatch: return messages::NotAPatch(patchPath);
    }
    return std::u16string(messages::kPatchDamaged);
}

namespace {

// Usage when written is one of the files the command reads.
bool RefuseOverwrite(const std::filesystem::path& written, std::initializer_list<std::filesystem::path> inputs,
                     CommandResult& result) {
    for (const std::filesystem::path& input : inputs) {
        if (IsSameFile(written, input)) {
            result.Fail(Severity::Warning, messages::OutputIsAnInput(written.string()), ExitClass::Usage);
            return true;
        }
    }
    return false;
}

CommandResult SaveResult(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    SaveFileAtomically(path, bytes);
    CommandResult result;
    result.Tell(Severity::Information, messages::Wrote(path.string(), static_cast<std::int64_t>(bytes.size())));
    return result;
}

}  // namespace

std::optional<CommandResult> RefusePatchPath(const std::filesystem::path& patch) {
    if (patch.empty() || PatchFormatForPath(patch.string())) return std::nullopt;
    CommandResult refused;
    return refused.Fail(Severity::Warning, messages::UnknownPatchExtension(patch.string()), ExitClass::Usage);
}

CommandResult MakePatch(const MakePatchRequest& request) {
    return Guarded([&] {
        if (request.patch.empty() || !PatchFormatForPath(request.patch.string()))
            return CommandResult().Fail(Severity::Warning, messages::UnknownPatchExtension(request.patch.string()),
                                        ExitClass::Usage);
        CommandResult result;
        if (RefuseOverwrite(request.patch, {request.original, request.modified}, result)) return result;
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
        if (RefuseOverwrite(request.output, {request.rom, request.patch}, result)) return result;
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
        if (!report) return result.Fail(Severity::Warning, messages::kNoKnownHeader);
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
