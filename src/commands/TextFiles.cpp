#include "commands/Commands.h"

#include "commands/ReadInputs.h"

namespace quorvex::commands {

LoadedTable LoadTable(const std::filesystem::path& path, const TextDecoding& decoding) {
    LoadedTable loaded;
    loaded.result = Guarded([&] {
        CommandResult result;
        (void)UseTable({path}, decoding, loaded.table, result);
        return result;
    });
    return loaded;
}

LoadedScript LoadScript(const std::filesystem::path& path, const TextDecoding& decoding) {
    LoadedScript loaded;
    loaded.result = Guarded([&] {
        (void)UseScript({path}, decoding, loaded.text);
        return CommandResult{};
    });
    return loaded;
}

}  // namespace quorvex::commands
