#pragma once
// The steps Insert and Build share once a job runs on an image in memory:
// the insert itself, the checksum, the patch and the saves. Only the command
// layer includes this header.
#include "commands/CommandResult.h"
#include "commands/Commands.h"
#include "patch/Checksum.h"
#include "platform/Prompt.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace quorvex::commands {

// What an insert works on once its files are read.
struct InsertInputs {
    const CharTable* table = nullptr;
    std::u16string_view script;
};

// Inserts the script into image exactly as Insert does, with request's
// choices (shortest, the other jobs' areas), without touching any file.
// Tells what the insert says; the image with the script in it, or no value
// with the reason as the failure (Failed) when the insert stopped or was
// declined.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> InsertIntoImage(std::span<const std::uint8_t> image,
                                                                       const InsertInputs& inputs,
                                                                       const InsertRequest& request, Prompt& prompt,
                                                                       CommandResult& result);

// Where a finished image goes besides, or instead of, the ROM it came from.
struct ImageOutputs {
    std::filesystem::path output;  // empty: none
    std::filesystem::path patch;   // empty: none; .ips or .bps
    std::optional<ChecksumChoice> checksum;  // no value: left as the jobs made it

    [[nodiscard]] bool leaveRomAlone() const { return !output.empty() || !patch.empty(); }
};

// A refusal (Usage) before anything is read: a patch path that ends in
// neither .ips nor .bps, or an output or patch that is the ROM itself (the
// same file, also through a link or another hard link). No value when the
// outputs may be written.
[[nodiscard]] std::optional<CommandResult> RefuseOutputs(const std::filesystem::path& rom, const ImageOutputs& outputs);

// Repairs image's header checksum when a choice is given and tells its line.
// Auto on an image with no known header leaves it as it is and says so;
// a named system whose header is not there is the failure ("No SNES header
// was found."), and false.
[[nodiscard]] bool FixImageChecksum(std::vector<std::uint8_t>& image, std::optional<ChecksumChoice> choice,
                                    CommandResult& result);

// Makes the patch from source, the contents of rom, to image (a BPS without
// the copier header rom's name and size say it has), then saves output and
// patch, each atomically, telling "Wrote PATH (N bytes)." for each; a missing
// folder is made. False, with nothing written and the patch's failure as the message,
// when the patch cannot be made. When a save fails, the files saved before it
// are put back as they were and the FileError is thrown on.
[[nodiscard]] bool WriteOutputs(const std::filesystem::path& rom, std::span<const std::uint8_t> source,
                                std::span<const std::uint8_t> image, const ImageOutputs& outputs,
                                CommandResult& result);

// "No known header was found." for Auto, "No SNES header was found." and so on.
[[nodiscard]] std::u16string_view NoHeaderMessage(ChecksumChoice choice);

}  // namespace quorvex::commands
