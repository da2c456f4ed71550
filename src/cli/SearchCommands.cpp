#include "cli/CliCommands.h"

#include "commands/search/SearchCommands.h"
#include "platform/Numbers.h"
#include "job/Messages.h"

#include <memory>

namespace quorvex::cli {
namespace {

// Read as extract reads its numbers: "%X" by default, "%i" with --dec.
std::int32_t Number(const std::string& option, const std::string& text, bool decimal) {
    const std::u16string typed = FromUtf8(text);
    const auto value = ScanNumber(typed, decimal);
    if (!value) throw UsageError(ToUtf8(messages::NotANumber(option, text)));
    return *value;
}

struct RelativeSearchOptions {
    std::string rom;
    std::string text;
    std::string tableOut;
    commands::RelativeSearchRequest request;
};

struct FindPointersOptions {
    std::string rom;
    std::vector<std::string> textOffsets;
    std::string xOffset;
    std::string map;
    std::size_t max = 20;
    bool dec = false;
    std::string endByte;
};

int RunFindPointers(const FindPointersOptions& options) {
    commands::FindPointersRequest request;
    request.rom = options.rom;
    request.decimal = options.dec;
    for (const std::string& offset : options.textOffsets)
        request.search.textOffsets.push_back(Number("--text-offset", offset, options.dec));
    if (!options.xOffset.empty()) request.search.xOffset = Number("--x-offset", options.xOffset, options.dec);
    if (!options.map.empty()) {
        request.search.map = ParseMapName(options.map);
        if (!request.search.map) throw UsageError(ToUtf8(messages::UnknownMap(options.map)));
        if (request.search.xOffset) throw UsageError(ToUtf8(messages::kOffsetOrMap));
    }
    request.search.maxCandidates = options.max;
    if (!options.endByte.empty()) {
        const auto value = ScanHex(FromUtf8(options.endByte));
        if (!value || *value < 0 || *value > 0xFF) throw UsageError(ToUtf8(messages::BadEndByte(options.endByte)));
        request.search.endByte = static_cast<std::uint8_t>(*value);
    }
    return Report(commands::FindPointers(request).result);
}

}  // namespace

void AddSearchCommands(CLI::App& app, CommandList& commands) {
    auto relative = std::make_shared<RelativeSearchOptions>();
    CLI::App* search = app.add_subcommand("relative-search", "Find a line of on-screen text in a ROM whose letter codes are unknown");
    search->add_option("--rom", relative->rom, "ROM image")->required();
    search->add_option("--width", relative->request.options.width, "Bytes per character: 1 or 2")->default_str("1");
    search->add_flag("--big-endian", relative->request.options.bigEndian, "Read 2-byte characters high byte first");
    search->add_option("--max", relative->request.options.maxHits, "Show at most this many hits")->default_str("100");
    search->add_option("--table-out", relative->tableOut, "Write the draft character table of a hit to this file");
    search->add_option("--hit", relative->request.hit, "The hit whose draft --table-out writes, counting from 1")
        ->default_str("1");
    search->add_option("TEXT", relative->text, "The text as seen on screen (UTF-8)")->required();
    commands.emplace_back(search, [relative] {
        commands::RelativeSearchRequest request = relative->request;
        request.rom = relative->rom;
        request.text = FromUtf8(relative->text);
        request.tableOut = relative->tableOut;
        return Report(commands::RelativeSearch(request));
    });

    auto pointers = std::make_shared<FindPointersOptions>();
    CLI::App* find = app.add_subcommand("find-pointers", "Find the pointer tables that point at the given strings");
    find->add_option("--rom", pointers->rom, "ROM image")->required();
    find->add_option("--text-offset", pointers->textOffsets, "ROM offset of a string the table points at (give two or more)");
    find->add_option("--x-offset", pointers->xOffset, "X000 Offset, when known");
    find->add_option("--map", pointers->map, "Address map, when known: lorom, hirom, exhirom, gb, nes (tried anyway without --x-offset)");
    find->add_option("--max", pointers->max, "Show at most this many candidates")->default_str("20");
    find->add_option("--end-byte", pointers->endByte, "The byte that ends strings (hex): each offset may lie inside its string");
    find->add_flag("--dec", pointers->dec, "Read and write the numbers as decimal (%i) instead of hexadecimal (%X)");
    commands.emplace_back(find, [pointers] { return RunFindPointers(*pointers); });
}

}  // namespace quorvex::cli
