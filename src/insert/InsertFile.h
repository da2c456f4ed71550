#pragma once
#include "platform/CodePage.h"

#include <filesystem>
#include <string>

namespace quorvex {

// Loads an edited script whole, in the read mode, with DecodeTextFile's rules
// (a LF without CR is read as CR LF, a leading byte-order mark dropped, a
// UTF-16 byte-order mark decodes as UTF-16). Throws FileError when the file
// cannot be opened or read.
[[nodiscard]] std::u16string LoadInsertFile(const std::filesystem::path& path, const TextDecoding& decoding);

}  // namespace quorvex
