// quorvex-cli: the command line of Quorvex, for build scripts.
#include "cli/CliCommands.h"

#include "platform/Version.h"

#include <iostream>

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

    try {
        for (const auto& [command, run] : commands)
            if (command->parsed()) return run();
    } catch (const UsageError& error) {
        std::cerr << error.what() << '\n';
        return static_cast<int>(ExitClass::Usage);
    } catch (...) {
        // The commands catch their own failures; this is the glue around them.
        return Report(CommandResult{{MessageForCurrentException()}, std::nullopt, ExitClass::Failed});
    }
    return static_cast<int>(ExitClass::Usage);
}

}  // namespace
}  // namespace quorvex::cli

int main(int argc, char** argv) {
    return quorvex::cli::Main(argc, argv);
}
