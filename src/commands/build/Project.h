#pragma once
// A translation build's project file (TOML): the source ROM, where the
// result goes, and the jobs in the order they run.
#include "commands/CommandResult.h"
#include "job/JobSettings.h"
#include "job/TextBox.h"
#include "patch/Checksum.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvex::commands {

struct ProjectJob {
    std::filesystem::path script;  // as written in the project file
    std::filesystem::path table;   // empty: none, as insert without --table
    TextDecoding decoding;         // of the table and the script
    bool over = false;             // the answer when the script runs over its text area
    bool shortest = false;
    // The map of a script whose header names none; a script that names
    // another stops the build.
    AddressMapKind map = AddressMapKind::None;
    TextBox box;  // maxWidth 0: the lines' widths are not measured
};

struct Project {
    // The project file's folder: the paths below count from it (Resolve).
    std::filesystem::path folder;
    std::filesystem::path rom;     // only ever read
    std::filesystem::path output;  // empty: none
    std::filesystem::path patch;   // empty: none; ends in .ips or .bps
    std::optional<ChecksumChoice> checksum;  // no value: "none"
    std::vector<ProjectJob> jobs;

    [[nodiscard]] std::filesystem::path Resolve(const std::filesystem::path& path) const {
        return path.empty() ? path : folder / path;
    }
};

struct ProjectRead {
    std::optional<Project> project;
    CommandResult result;  // no project: why
};

// Reads a project from its TOML text; file names it in messages and gives
// the folder the paths count from. No project, and one Usage message per
// problem, in the order of their lines, each "FILE:LINE: …" naming the key,
// when the text is no TOML, has a key Quorvex does not know or a value of the
// wrong type or range, or lacks "rom", a job's "script", or both "output"
// and "patch".
[[nodiscard]] ProjectRead ParseProject(std::string_view text, const std::filesystem::path& file);

// ParseProject on a file's contents; Failed with the file error when it cannot be read.
[[nodiscard]] ProjectRead ReadProject(const std::filesystem::path& file);

}  // namespace quorvex::commands
