#pragma once
// The working object of one command: the job's numbers and the steps that
// run on them. A command builds one, hands it the ROM image and the table it
// has loaded, and reads the result; the engine opens no file.
#include "extract/Extract.h"
#include "insert/CheckInsert.h"
#include "insert/Insert.h"
#include "job/JobSettings.h"

#include <optional>
#include <span>
#include <string_view>

namespace quorvex {

class CTextEngine {
public:
    CTextEngine() = default;
    explicit CTextEngine(const JobSettings& job) : settings(job) {}

    JobSettings settings;

    [[nodiscard]] ExtractResult Extract(std::span<const std::uint8_t> rom, const CharTable* table,
                                        TableType tableType, TextType textType) const {
        return quorvex::Extract(rom, settings, table, tableType, textType);
    }
    // Insert and Check Insert take the job from the script's header.
    [[nodiscard]] InsertResult Insert(std::span<const std::uint8_t> rom, const CharTable* table,
                                      std::u16string_view script, Prompt& prompt, bool shortest = false,
                                      std::span<const ClaimedArea> othersAreas = {}) const {
        return quorvex::Insert(rom, table, script, prompt, shortest, othersAreas);
    }
    [[nodiscard]] CheckReport CheckInsert(const CharTable* table, std::u16string_view script,
                                          std::optional<std::span<const std::uint8_t>> rom = std::nullopt,
                                          std::size_t firstLine = 0, bool shortest = false) const {
        return quorvex::CheckInsert(table, script, rom, firstLine, shortest);
    }
};

}  // namespace quorvex
