#include "insert/RedoScript.h"

#include "insert/InsertFile.h"
#include "job/CTextEngine.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <vector>

namespace quorvex {

std::int32_t CommandLengthFromValue(std::int32_t huffTable) {
    if (huffTable < 0x100) return 1;
    if (huffTable < 0x10000) return 2;
    if (huffTable < 0x1000000) return 3;
    return 4;
}

RedoResult RedoScript(const std::filesystem::path& scriptPath, const std::filesystem::path& romPath,
                      const CharTable* table, const TextDecoding& decoding, Prompt& prompt) {
    RedoResult result;
    std::u16string text = LoadInsertFile(scriptPath, decoding);
    const std::optional<ScriptHeader> header = ReadScriptHeader(text);
    if (!header || !FindScriptBody(text)) {
        prompt.notify(messages::kBadFileRedo);
        result.outcome = RedoResult::Outcome::BadFile;
        result.badFileText = std::move(text);
        return result;
    }

    // A script that could not be saved afterwards must not cost a whole
    // extraction first; the rename of the save would also replace a
    // read-only file, so writability is asked of the file itself.
    CheckWritable(scriptPath);

    CTextEngine engine;
    engine.settings = header->job;
    // Without a HuffTable line a Scattered job has no End Dialog Command; a
    // length of 0 makes its whole text area one string instead of guessing.
    engine.settings.commandLength = header->hasHuffTable ? CommandLengthFromValue(header->job.huffTable) : 0;
    engine.settings.longestTextLength = 0;

    std::optional<std::u16string> script =
        engine.Extract(romPath, table, header->tableType, header->textType, prompt);
    if (!script) {
        result.outcome = RedoResult::Outcome::Refused;
        return result;
    }

    std::string utf8 = ToUtf8(*script);
    std::vector<std::uint8_t> bytes(utf8.begin(), utf8.end());
    bytes.push_back(0);  // readers stop at the first zero byte
    SaveFileAtomically(scriptPath, bytes);

    result.outcome = RedoResult::Outcome::Saved;
    result.script = std::move(*script);
    result.tableType = header->tableType;
    result.textType = header->textType;
    return result;
}

}  // namespace quorvex
