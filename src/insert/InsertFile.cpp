#include "insert/InsertFile.h"

#include "platform/Files.h"

namespace quorvex {

std::u16string LoadInsertFile(const std::filesystem::path& path, const TextDecoding& decoding) {
    return DecodeTextFile(ReadWholeFile(path), decoding);
}

}  // namespace quorvex
