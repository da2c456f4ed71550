#include "commands/Outputs.h"

#include "job/Messages.h"
#include "patch/PatchFormat.h"
#include "platform/Files.h"

namespace quorvex::commands {

std::optional<std::u16string> WrittenInput(std::initializer_list<std::filesystem::path> written,
                                           std::initializer_list<std::filesystem::path> inputs) {
    for (const std::filesystem::path& output : written) {
        if (output.empty()) continue;
        for (const std::filesystem::path& input : inputs)
            if (!input.empty() && IsSameFile(output, input)) return messages::OutputIsAnInput(output.string());
    }
    return std::nullopt;
}

std::optional<CommandResult> RefusePatchPath(const std::filesystem::path& patch) {
    if (patch.empty() || PatchFormatForPath(patch.string())) return std::nullopt;
    CommandResult refused;
    return refused.Fail(Severity::Warning, messages::UnknownPatchExtension(patch.string()), ExitClass::Usage);
}

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

}  // namespace quorvex::commands
