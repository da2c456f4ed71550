#pragma once
#include "commands/HeldFile.h"

#include <filesystem>

namespace quorvex {
class CharTable;
}

namespace quorvex::commands {

// A text file a command reads: its path, or the copy of it a front end
// already holds (the dialog's loaded table or Insert File) with the stamp
// taken when that copy was read. The
// command uses a held copy unless its stamp says the file has changed since;
// otherwise it reads the file itself, in the request's read mode.
template <typename Contents>
struct InputFile {
    std::filesystem::path path;       // empty and nothing held: no file
    const Contents* held = nullptr;   // the copy read before, if any
    const HeldFile* stamp = nullptr;  // none: the held copy is taken as it is
};

using TableFile = InputFile<CharTable>;
using ScriptFile = InputFile<std::u16string>;

}  // namespace quorvex::commands
