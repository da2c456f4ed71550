#include "cli/CliCommands.h"

#include "commands/fit/Suggest.h"
#include "job/Messages.h"
#include "platform/Numbers.h"

#include <memory>

namespace quorvex::cli {
namespace {

// "XX-YY": two bytes in hexadecimal, one or two digits each.
std::pair<std::uint8_t, std::uint8_t> CodeRange(const std::string& text) {
    const auto byte = [&](std::string_view digits) -> std::optional<std::uint8_t> {
        if (digits.empty() || digits.size() > 2) return std::nullopt;
        int value = 0;
        for (const char c : digits) {
            const int digit = HexDigitValue(static_cast<char16_t>(static_cast<unsigned char>(c)));
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        return static_cast<std::uint8_t>(value);
    };
    const std::size_t dash = text.find('-');
    const auto first = dash == std::string::npos ? std::nullopt : byte(std::string_view(text).substr(0, dash));
    const auto last = dash == std::string::npos ? std::nullopt : byte(std::string_view(text).substr(dash + 1));
    if (!first || !last) throw UsageError(ToUtf8(messages::BadSuggestCodes(text)));
    return {*first, *last};
}

}  // namespace

void AddFitCommands(CLI::App& app, CommandList& commands) {
    struct SuggestOptions {
        TextOptions text;
        std::string script;
        std::string codes;
        commands::SuggestRequest request;
    };
    auto options = std::make_shared<SuggestOptions>();
    CLI::App* suggest = app.add_subcommand("suggest", "Propose dictionary entries that make a script's text shorter");
    options->text.AddTo(*suggest);
    suggest->get_option("--table")->required();
    suggest->add_option("--script", options->script, "The edited script")->required();
    suggest->add_option("--count", options->request.count, "Propose up to this many entries")->default_str("64");
    suggest->add_option("--codes", options->codes, "Give out codes from this range, XX-YY (default: every free code)");
    suggest->add_option("--min-length", options->request.minLength, "Characters of the shortest run")->default_str("2");
    suggest->add_option("--max-length", options->request.maxLength, "Characters of the longest run (up to 32)")
        ->default_str("2");
    suggest->add_flag("--shortest", options->request.shortest, "Measure the text in its shortest encoding, as check --shortest");
    suggest->add_option("-o,--output", options->request.output, "Write the table with the entries appended to this file");
    commands.emplace_back(suggest, [options] {
        commands::SuggestRequest request = options->request;
        request.table = options->text.table;
        request.script.path = options->script;
        request.decoding = options->text.Decoding();
        if (!options->codes.empty()) request.codes = CodeRange(options->codes);
        return Report(commands::Suggest(request));
    });
}

}  // namespace quorvex::cli
