#pragma once
// A translation build: every job of a project inserted, in order, into one
// image of the source ROM in memory; the result saved as an image, a patch
// or both, or nothing at all.
#include "commands/CommandResult.h"

#include <filesystem>
#include <optional>

namespace quorvex::commands {

struct BuildRequest {
    std::filesystem::path project = "quorvex.toml";
    // The answer when a script runs over its text area, for every job; no
    // value: each job's "over" (--yes / --no on the command line).
    std::optional<bool> over;
};

// Build: runs each job as Insert would run its script on the image the jobs
// before it left, fixes the checksum the project asks for, makes the patch
// from the source ROM to the final image and saves the output and the patch.
// The report (each job's script path with what its insert said, then the
// checksum line and the files written) is the output, and "Done" the message.
// Usage, before anything is read but the project, when the project file is
// malformed or names the source ROM as an output; Failed, with nothing
// written, when a file cannot be read or a job stops ("SCRIPT: why").
[[nodiscard]] CommandResult Build(const BuildRequest& request);

}  // namespace quorvex::commands
