#include "cli/CliCommands.h"

#include "commands/build/Build.h"

#include <memory>

namespace quorvex::cli {

void AddBuildCommand(CLI::App& app, CommandList& commands) {
    struct BuildOptions {
        std::string project = "quorvex.toml";
        bool yes = false;
        bool no = false;
    };
    auto options = std::make_shared<BuildOptions>();
    auto* build = app.add_subcommand("build", "Run a project's jobs on one image of its ROM; write all or nothing");
    build->add_option("PROJECT", options->project, "The project file")->default_str("quorvex.toml");
    CLI::Option* yes = build->add_flag("--yes", options->yes, "Answer Yes for every job that runs over its text area");
    CLI::Option* no = build->add_flag("--no", options->no, "Answer No for every job that runs over its text area");
    yes->excludes(no);
    commands.emplace_back(build, [options] {
        std::optional<bool> over;
        if (options->yes) over = true;
        if (options->no) over = false;
        return Report(commands::Build({options->project, over}));
    });
}

}  // namespace quorvex::cli
