#include "commands/Commands.h"

#include "job/Messages.h"
#include "platform/Files.h"

namespace quorvex::commands {

LoadedTable LoadTable(const std::filesystem::path& path, const TextDecoding& decoding) {
    LoadedTable loaded;
    loaded.result = Guarded([&] {
        loaded.table = CharTable::LoadFile(path, decoding);
        CommandResult result;
        if (loaded.table->hasUnreadLines()) result.Tell(Severity::Warning, messages::kTableLinesNotRead);
        return result;
    });
    return loaded;
}

LoadedScript LoadScript(const std::filesystem::path& path, const TextDecoding& decoding) {
    LoadedScript loaded;
    loaded.result = Guarded([&] {
        loaded.text = DecodeTextFile(ReadFileBytes(path).bytes(), decoding);
        return CommandResult{};
    });
    return loaded;
}

}  // namespace quorvex::commands
