#include "commands/Go.h"

#include "job/Messages.h"

namespace quorvex::commands {
namespace {

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

CommandResult RunInsertOrCheck(const GoState& state, Prompt& prompt) {
    if (state.tab == Tab::CheckInsert)
        return CheckInsert({ToPath(state.romPath), state.table, state.insertFile, state.decoding, state.shortest,
                            state.listGrown});
    InsertRequest request;
    request.rom = ToPath(state.romPath);
    request.table = state.table;
    request.script = state.insertFile;
    request.decoding = state.decoding;
    request.shortest = state.shortest;
    CommandResult result = Insert(request, prompt);
    // The output box is emptied once the insert has run, whatever it said;
    // after a file error it keeps what it showed.
    const bool fileError = !result.messages.empty() && result.messages.back().severity == Severity::Critical;
    if (!fileError) result.output = std::u16string();
    return result;
}

}  // namespace

std::optional<CommandResult> RefuseWithoutRom(const std::u16string& romPath, Tab tab) {
    if (!romPath.empty() || tab == Tab::CheckInsert) return std::nullopt;
    return CommandResult{}.Fail(Severity::Warning, messages::kNoRom);
}

CommandResult RunGo(const GoState& state, Prompt& prompt) {
    if (auto refused = RefuseWithoutRom(state.romPath, state.tab)) return std::move(*refused);
    if (state.tab != Tab::Extract) {
        if (state.insertFile.path.empty() && state.insertFile.held == nullptr)
            return CommandResult{}.Fail(Severity::Warning, messages::kNoInsertFile);
        return RunInsertOrCheck(state, prompt);
    }
    JobSettings job = ReadJobFields(state.fields, state.hex);
    job.map = state.map;
    return Extract({ToPath(state.romPath), state.table, state.decoding, job, state.tableType, state.textType, {}});
}

}  // namespace quorvex::commands
