#include "commands/Go.h"

#include "job/Messages.h"

namespace quorvex::commands {
namespace {

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

GoResult RunInsertOrCheck(const GoState& state, Prompt& prompt) {
    GoResult go;
    if (state.insertPath.empty()) {
        go.result.Fail(Severity::Warning, messages::kNoInsertFile);
        return go;
    }
    // The path may name a file whose text is not held (a cancelled chooser,
    // or after ReDo Script): load it now, in the current read mode.
    const std::u16string* script = state.insertText;
    if (script == nullptr) {
        LoadedScript loaded = LoadScript(ToPath(state.insertPath), state.decoding);
        if (!loaded.text) {
            go.result = std::move(loaded.result);
            return go;
        }
        go.loadedInsertText = std::move(loaded.text);
        script = &*go.loadedInsertText;
    }
    if (state.tab == Tab::Insert) {
        go.result = Insert({ToPath(state.romPath), state.table, *script, state.shortest}, prompt);
        // The output box is emptied once the insert has run, whatever it
        // said; after a file error it keeps what it showed.
        const bool fileError = !go.result.messages.empty() && go.result.messages.back().severity == Severity::Critical;
        if (!fileError) go.result.output = std::u16string();
    } else {
        go.result = CheckInsert({ToPath(state.romPath), state.table, *script, state.shortest, state.listGrown});
    }
    return go;
}

}  // namespace

std::optional<CommandResult> RefuseWithoutRom(const std::u16string& romPath, Tab tab) {
    if (!romPath.empty() || tab == Tab::CheckInsert) return std::nullopt;
    return CommandResult{}.Fail(Severity::Warning, messages::kNoRom);
}

GoResult RunGo(const GoState& state, Prompt& prompt) {
    if (auto refused = RefuseWithoutRom(state.romPath, state.tab)) return {std::move(*refused), std::nullopt};
    if (state.tab != Tab::Extract) return RunInsertOrCheck(state, prompt);
    GoResult go;
    JobSettings job = ReadJobFields(state.fields, state.hex);
    job.map = state.map;
    go.result = Extract({ToPath(state.romPath), state.table, job, state.tableType, state.textType, {}});
    return go;
}

}  // namespace quorvex::commands
