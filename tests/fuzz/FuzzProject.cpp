// The build project reader on random text. It never throws or crashes; it
// gives a project or, without one, at least one usage message, each naming
// the file and a line; a project's patch path is one a patch can be made to.
//
// Input: the project file's bytes.
#include "FuzzSupport.h"

#include "commands/build/Project.h"
#include "patch/PatchFormat.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const commands::ProjectRead read = commands::ParseProject(text, "games/quorvex.toml");
    if (read.project) {
        QUORVEX_FUZZ_CHECK(read.result.ok() && read.result.messages.empty());
        QUORVEX_FUZZ_CHECK(read.project->folder == "games");
        if (!read.project->patch.empty()) QUORVEX_FUZZ_CHECK(PatchFormatForPath(read.project->patch.string()));
        return 0;
    }
    QUORVEX_FUZZ_CHECK(read.result.exit == ExitClass::Usage && !read.result.messages.empty());
    for (const Message& message : read.result.messages)
        QUORVEX_FUZZ_CHECK(message.text.starts_with(u"games/quorvex.toml:"));
    return 0;
}
