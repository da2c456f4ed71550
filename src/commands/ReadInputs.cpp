#include "commands/ReadInputs.h"

#include "job/Messages.h"
#include "platform/Files.h"

namespace quorvex::commands {
namespace {

template <typename Contents>
bool HeldIsCurrent(const InputFile<Contents>& file) {
    return file.held != nullptr && (file.stamp == nullptr || !file.stamp->Changed());
}

}  // namespace

const CharTable* UseTable(const TableFile& file, const TextDecoding& decoding, std::optional<CharTable>& read,
                          CommandResult& result) {
    if (HeldIsCurrent(file)) return file.held;
    if (file.path.empty()) return nullptr;
    read = CharTable::LoadFile(file.path, decoding);
    TellUnreadLines(*read, result);
    return &*read;
}

void TellUnreadLines(const CharTable& table, CommandResult& result) {
    if (table.hasUnreadLines()) result.Tell(Severity::Warning, messages::kTableLinesNotRead);
}

const std::u16string& UseScript(const ScriptFile& file, const TextDecoding& decoding,
                                std::optional<std::u16string>& read) {
    if (HeldIsCurrent(file)) return *file.held;
    read = DecodeTextFile(ReadFileBytes(file.path).bytes(), decoding);
    return *read;
}

}  // namespace quorvex::commands
