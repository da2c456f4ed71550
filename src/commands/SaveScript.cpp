#include "commands/Commands.h"

#include "platform/Files.h"

namespace quorvex::commands {

CommandResult SaveScript(const std::filesystem::path& path, std::u16string_view text) {
    return Guarded([&] {
        SaveUtf8Atomically(path, RewriteLineEnds(text, u"\r\n"));
        return CommandResult{};
    });
}

}  // namespace quorvex::commands
