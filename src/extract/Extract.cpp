#include "job/CTextEngine.h"

#include "job/Messages.h"
#include "job/Script.h"

namespace quorvex {

std::optional<std::u16string> CTextEngine::Extract(const std::filesystem::path& romPath, const CharTable* table,
                                                   TableType tableType, TextType textType, Prompt& prompt) {
    out.clear();
    adjustPointers = true;
    entries.clear();
    tooManyEntries = false;
    scriptTooLarge = false;

    // Opened before anything else, so that a missing ROM is a file error even
    // for a job that would read nothing from it.
    rom = RomFile::OpenForReading(romPath);

    // A table given without its end is taken to run up to the byte before the text.
    if (settings.tableEnd == 0 && settings.tableStart != 0 && settings.tableStart < settings.textStart)
        settings.tableEnd = settings.textStart - 1;

    // The command is compared as one 32-bit value; a longer one cannot be matched.
    if (IsScattered(tableType) && settings.commandLength > 4) {
        prompt.notify(messages::kCommandTooLong);
        return std::nullopt;
    }

    ReadPointerTable(tableType);
    if (tooManyEntries) {
        prompt.notify(messages::kTooManyEntries);
        return std::nullopt;
    }

    if (tableType == TableType::Custom1) {
        // The table says where the text lies; what the user typed is ignored.
        if (entries.empty()) {
            settings.textStart = 0;
            settings.textEnd = 0;
        } else {
            const PointerEntry& last = entries.back();
            settings.textStart = entries.front().address;
            settings.textEnd = static_cast<std::int32_t>(static_cast<std::uint32_t>(last.address) +
                                                         static_cast<std::uint32_t>(last.location) - 1u);
        }
    }

    if (adjustPointers) {
        SortEntries(entries);
        if (TablePresent(settings) && !entries.empty()) {
            // The smallest pointer is taken to point at Text Start.
            if (settings.xOffset == 0 && settings.tableStart != 0 && settings.textStart != 0)
                settings.xOffset = static_cast<std::int32_t>(static_cast<std::uint32_t>(settings.textStart) -
                                                             static_cast<std::uint32_t>(entries.front().address));
            for (PointerEntry& entry : entries)
                entry.address = static_cast<std::int32_t>(static_cast<std::uint32_t>(entry.address) +
                                                          static_cast<std::uint32_t>(settings.xOffset));
        }
    }

    out = WriteScriptHeader(settings, tableType, textType);
    DecodeStrings(tableType, textType, table);
    if (scriptTooLarge) {
        out.clear();
        prompt.notify(messages::kScriptTooLarge);
        return std::nullopt;
    }

    prompt.notify(messages::kDone);
    // Handed over rather than copied: a script can run to tens of megabytes.
    return std::move(out);
}

}  // namespace quorvex
