#pragma once
// The patch and checksum commands: patch, apply and checksum on files. Each
// reads its inputs whole, never writes a file it reads, and saves its one
// result atomically or not at all.
#include "commands/CommandResult.h"
#include "patch/Checksum.h"

#include <filesystem>
#include <optional>

namespace quorvex::commands {

struct MakePatchRequest {
    std::filesystem::path original;
    std::filesystem::path modified;
    std::filesystem::path patch;  // .ips or .bps, in any case
};
// Make Patch: saves a patch that turns original into modified and tells
// "Wrote PATH (N bytes).". A BPS patch leaves out the copier header that
// original's name and size say it has, when modified starts with the same. Usage when the patch path ends in neither .ips nor
// .bps or is one of the inputs; Failed when a file cannot be read or the
// format cannot hold the change (IPS past 16 MiB).
[[nodiscard]] CommandResult MakePatch(const MakePatchRequest& request);

struct ApplyPatchRequest {
    std::filesystem::path patch;
    std::filesystem::path rom;
    std::filesystem::path output;
};
// Apply Patch: saves the patched ROM as output and tells "Wrote PATH (N
// bytes).". A BPS patch made for the ROM without the copier header its name
// and size say it has applies to the rest, the header kept in front. Failed, and output left as it was, when the patch is no patch, is
// malformed or cut short, was made for another ROM, or its CRC32s do not
// match; Usage when output is the ROM or the patch.
[[nodiscard]] CommandResult ApplyPatch(const ApplyPatchRequest& request);

struct ChecksumRequest {
    std::filesystem::path rom;
    ChecksumChoice choice = ChecksumChoice::Auto;
    bool fix = false;  // write the computed checksum into the ROM when it is wrong
};
// Checksum: the line "SYSTEM: stored XXXX, computed YYYY, right|wrong|fixed"
// and a line end as output. Ok when right or fixed, Over when wrong and not
// fixed, Failed with "No known header was found." (Auto) or "No SNES header
// was found." (and so on) when the ROM holds no header of the choice. A fix
// replaces the ROM atomically under its update lock; a right checksum writes
// nothing.
[[nodiscard]] CommandResult Checksum(const ChecksumRequest& request);

}  // namespace quorvex::commands
