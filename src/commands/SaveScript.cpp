#include "commands/Commands.h"

#include "platform/Files.h"

namespace quorvex::commands {

CommandResult SaveScript(const std::filesystem::path& path, std::u16string_view text) {
    return Guarded([&] {
        std::u16string withCrLf;
        withCrLf.reserve(text.size() + text.size() / 16);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c != u'\r' && c != u'\n') {
                withCrLf.push_back(c);
                continue;
            }
            withCrLf += u"\r\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        }
        const std::string utf8 = ToUtf8(withCrLf);
        SaveFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()));
        return CommandResult{};
    });
}

}  // namespace quorvex::commands
