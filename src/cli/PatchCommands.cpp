#include "cli/CliCommands.h"

#include "commands/patch/PatchCommands.h"
#include "job/Messages.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace quorvex::cli {

ChecksumChoice ChecksumOption(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto choice = ChecksumChoiceFromName(lower);
    if (!choice) throw UsageError(ToUtf8(messages::BadChecksumSystem(name)));
    return *choice;
}

void AddPatchCommands(CLI::App& app, CommandList& commands) {
    auto make = std::make_shared<commands::MakePatchRequest>();
    auto* patch = app.add_subcommand("patch", "Write a patch that turns one ROM into another (.ips or .bps by extension)");
    patch->add_option("--from", make->original, "The original ROM")->required();
    patch->add_option("--to", make->modified, "The modified ROM")->required();
    patch->add_option("-o,--output", make->patch, "The patch file to write")->required();
    commands.emplace_back(patch, [make] { return Report(commands::MakePatch(*make)); });

    auto applyRequest = std::make_shared<commands::ApplyPatchRequest>();
    auto* apply = app.add_subcommand("apply", "Apply an IPS or BPS patch to a ROM, writing the result to a new file");
    apply->add_option("--patch", applyRequest->patch, "The patch")->required();
    apply->add_option("--rom", applyRequest->rom, "The ROM the patch was made for (only read)")->required();
    apply->add_option("-o,--output", applyRequest->output, "The patched ROM to write")->required();
    commands.emplace_back(apply, [applyRequest] { return Report(commands::ApplyPatch(*applyRequest)); });

    struct ChecksumOptions {
        std::string rom;
        std::string system = "auto";
        bool fix = false;
    };
    auto options = std::make_shared<ChecksumOptions>();
    auto* checksum = app.add_subcommand("checksum", "Check (or fix) the header checksum of a ROM");
    checksum->add_option("--rom", options->rom, "ROM image")->required();
    checksum->add_option("--system", options->system, "auto, snes, gb, gba or md")->default_str("auto");
    checksum->add_flag("--fix", options->fix, "Write the computed checksum into the ROM when it is wrong");
    commands.emplace_back(checksum, [options] {
        return Report(commands::Checksum({options->rom, ChecksumOption(options->system), options->fix}));
    });
}

}  // namespace quorvex::cli
