// quorvex-cli: the command line of Quorvex, for build scripts.
#include "cli/CliCommands.h"

#include "platform/Version.h"


namespace quorvex::cli {
namespace {

int Main(int argc, char** argv) {
    CLI::App app{"Quorvex: extracts the text of a cartridge ROM through its pointer table into an editable "
                 "script, and inserts the edited script back.",
                 "quorvex-cli"};
    app.set_version_flag("--version", std::string("quorvex-cli ") + kVersion);
    app.require_subcommand(1);

    CommandList commands;
    AddEngineCommands(app, commands);
    AddPatchCommands(app, commands);
    AddBuildCommand(app, commands);
    AddFitCommands(app, commands);
    AddSearchCommands(app, commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return static_cast<int>(ExitClass::Usage);
    }

    // The commands catch their own failures; whatever escapes the glue around
    // them is told the same way.
    int exit = static_cast<int>(ExitClass::Usage);
    const CommandResult failed = Guarded([&] {
        try {
            for (const auto& [command, run] : commands)
                if (command->parsed()) {
                    exit = run();
                    break;
                }
        } catch (const UsageError& error) {
            return CommandResult().Fail(Severity::Warning, FromUtf8(error.what()), ExitClass::Usage);
        }
        return CommandResult{};
    });
    return failed.messages.empty() ? exit : Report(failed);
}

}  // namespace
}  // namespace quorvex::cli

int main(int argc, char** argv) {
    return quorvex::cli::Main(argc, argv);
}
