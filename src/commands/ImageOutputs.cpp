#include "commands/ImageOutputs.h"

#include "commands/Outputs.h"
#include "patch/PatchFormat.h"
#include "job/Messages.h"
#include "platform/Files.h"

#include <algorithm>
#include <system_error>

namespace quorvex::commands {
namespace {

struct PendingSave {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
};

// Saves every file or, as far as the system allows, none. The smaller files
// go first and keep their old contents, so that a failed later save can put
// them back; the largest goes last and needs no copy.
void SaveTogether(std::vector<PendingSave> saves) {
    std::stable_sort(saves.begin(), saves.end(),
                     [](const PendingSave& a, const PendingSave& b) { return a.bytes.size() < b.bytes.size(); });
    std::vector<std::optional<std::vector<std::uint8_t>>> before(saves.size());
    for (std::size_t i = 0; i + 1 < saves.size(); ++i) {
        std::error_code missing;
        if (std::filesystem::exists(saves[i].path, missing)) before[i] = ReadWholeFile(saves[i].path);
    }
    std::size_t saved = 0;
    try {
        for (; saved < saves.size(); ++saved) {
            const std::filesystem::path folder = ResolveLinkChain(saves[saved].path).parent_path();
            std::error_code ignored;
            if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
            SaveFileAtomically(saves[saved].path, saves[saved].bytes);
        }
    } catch (...) {
        for (std::size_t i = 0; i < saved; ++i) {
            try {
                if (before[i]) SaveFileAtomically(saves[i].path, *before[i]);
                else std::filesystem::remove(ResolveLinkChain(saves[i].path));
            } catch (...) {
                // The save that failed is what the user is told about.
            }
        }
        throw;
    }
}

}  // namespace

std::optional<CommandResult> RefuseOutputs(const std::filesystem::path& rom, const ImageOutputs& outputs) {
    if (auto refused = RefusePatchPath(outputs.patch)) return refused;
    if (auto message = WrittenInput({outputs.output, outputs.patch}, {rom}))
        return CommandResult().Fail(Severity::Warning, *message, ExitClass::Usage);
    return std::nullopt;
}

std::u16string_view NoHeaderMessage(ChecksumChoice choice) {
    switch (choice) {
        case ChecksumChoice::Snes: return messages::kNoSnesHeader;
        case ChecksumChoice::Gb: return messages::kNoGbHeader;
        case ChecksumChoice::Gba: return messages::kNoGbaHeader;
        case ChecksumChoice::Md: return messages::kNoMdHeader;
        case ChecksumChoice::Auto: break;
    }
    return messages::kNoKnownHeader;
}

bool FixImageChecksum(std::vector<std::uint8_t>& image, std::optional<ChecksumChoice> choice, CommandResult& result) {
    if (!choice) return true;
    const std::optional<ChecksumSystem> system = ChooseChecksumSystem(image, *choice);
    const std::optional<ChecksumReport> before = system ? FixChecksum(image, *system) : std::nullopt;
    if (!system && *choice == ChecksumChoice::Auto) {
        result.Tell(Severity::Information, messages::kNoHeaderLeftAlone);
        return true;
    }
    if (!before) {
        result.Fail(Severity::Warning, NoHeaderMessage(*choice));
        return false;
    }
    result.Tell(Severity::Information, ChecksumLine(*before, true));
    return true;
}

bool WriteOutputs(const std::filesystem::path& rom, std::span<const std::uint8_t> source,
                  std::span<const std::uint8_t> image, const ImageOutputs& outputs, CommandResult& result) {
    std::vector<PendingSave> saves;
    PatchResult patch;
    if (!outputs.patch.empty()) {
        patch = CreatePatchBytes(*PatchFormatForPath(outputs.patch.string()), source, image,
                                 CopierHeaderSize(rom.string(), source.size()));
        if (!patch.ok()) {
            result.Fail(Severity::Warning, PatchFailureMessage(patch, outputs.patch.string()));
            return false;
        }
        saves.push_back({outputs.patch, patch.bytes});
    }
    if (!outputs.output.empty()) saves.push_back({outputs.output, image});
    SaveTogether(saves);
    for (const PendingSave& save : saves)
        result.Tell(Severity::Information,
                    messages::Wrote(save.path.string(), static_cast<std::int64_t>(save.bytes.size())));
    return true;
}

}  // namespace quorvex::commands
