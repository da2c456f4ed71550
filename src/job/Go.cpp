#include "job/Go.h"

#include "chartable/CharTable.h"
#include "insert/InsertFile.h"
#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/Numbers.h"

#include <filesystem>

namespace quorvex {
namespace {

void ReadField(const std::u16string& text, bool hex, std::int32_t& field) {
    const auto value = hex ? ScanHex(text) : ScanInt(text);
    if (value) field = *value;
}

std::filesystem::path ToPath(const std::u16string& text) {
    return std::filesystem::path(ToUtf8(text));
}

GoResult RunExtract(const GoState& state, Prompt& prompt) {
    CTextEngine engine;
    engine.settings = ReadJobFields(state.fields, state.hex);
    GoResult result;
    result.output = engine.Extract(ToPath(state.romPath), state.table, state.tableType, state.textType, prompt);
    return result;
}

GoResult RunInsertOrCheck(const GoState& state, Prompt& prompt) {
    if (state.insertPath.empty()) {
        prompt.notify(messages::kNoInsertFile);
        return {};
    }
    GoResult result;
    // The path edit may name a file whose text is not held (a cancelled chooser,
    // or after ReDo Script): load it now, in the current read mode.
    const std::u16string* script = state.insertText;
    if (script == nullptr) {
        result.loadedInsertText = LoadInsertFile(ToPath(state.insertPath), state.decoding);
        script = &*result.loadedInsertText;
    }
    CTextEngine engine;
    engine.settings.longestTextLength = state.table ? state.table->longestTextLength() : 0;
    if (state.tab == Tab::Insert) {
        engine.Insert(ToPath(state.romPath), state.table, *script, prompt);
        result.output = std::u16string();
    } else {
        const std::filesystem::path rom = ToPath(state.romPath);
        result.output = engine.CheckInsert(state.table, *script, state.romPath.empty() ? nullptr : &rom).text;
    }
    return result;
}

}  // namespace

JobSettings ReadJobFields(const JobFieldTexts& fields, bool hex) {
    JobSettings job;
    ReadField(fields.tableStart, hex, job.tableStart);
    ReadField(fields.tableEnd, hex, job.tableEnd);
    ReadField(fields.textStart, hex, job.textStart);
    ReadField(fields.textEnd, hex, job.textEnd);
    ReadField(fields.xOffset, hex, job.xOffset);
    ReadField(fields.huffTable, hex, job.huffTable);
    job.commandLength = static_cast<std::int32_t>((fields.huffTable.size() + 1) / 2);
    return job;
}

GoResult RunGo(const GoState& state, Prompt& prompt) {
    if (state.romPath.empty() && state.tab != Tab::CheckInsert) {
        prompt.notify(messages::kNoRom);
        return {};
    }
    try {
        return state.tab == Tab::Extract ? RunExtract(state, prompt) : RunInsertOrCheck(state, prompt);
    } catch (const FileError& error) {
        prompt.notify(messages::FileErrorMessage(error.path(), error.reason()));
        return {};
    }
}

}  // namespace quorvex
