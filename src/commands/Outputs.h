#pragma once
// What every command that writes a file checks first, and how a patch that
// could not be made or applied is told. Only the command layer includes this.
#include "commands/CommandResult.h"
#include "patch/PatchTypes.h"

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::commands {

// "PATH is one of the files this command reads; ..." for the first of
// `written` that is one of `inputs` (the same file, also through a link or
// another hard link); no value when none is. Empty paths are skipped.
[[nodiscard]] std::optional<std::u16string> WrittenInput(std::initializer_list<std::filesystem::path> written,
                                                        std::initializer_list<std::filesystem::path> inputs);

// Usage with "PATH: a patch must end in .ips or .bps." when patch is not
// empty and ends in neither; no value otherwise.
[[nodiscard]] std::optional<CommandResult> RefusePatchPath(const std::filesystem::path& patch);

// The message of a failed patch result; patchPath names the patch for NotAPatch.
[[nodiscard]] std::u16string PatchFailureMessage(const PatchResult& result, std::string_view patchPath);

}  // namespace quorvex::commands
