// quorvex_bench: the speed of table load, extract, insert and check on large
// generated jobs, side by side with the literal algorithms, plus scaling runs.
// Prints Google Benchmark's report, then a summary table with ratios and targets.
//
//   quorvex_bench                 the whole suite (a few minutes)
//   quorvex_bench --smoke         every benchmark once on tiny jobs, checking that
//                                 the literal algorithms and the engine agree
//   quorvex_bench --write-job=DIR writes the large job's files for timing the CLI by hand
//                 --overlapping   with --write-job: the job whose table has overlapping words
//                 --strings=N --entries=N  with --write-job: N strings (text in proportion,
//                                 1 MiB for 20,000) and N table entries
//   quorvex_bench --write-build=DIR writes the build benchmark's project into DIR/build
#include "JobGenerator.h"
#include "LiteralAlgorithms.h"
#include "SummaryTable.h"
#include "TranslationPair.h"

#include "chartable/CharTable.h"
#include "commands/Commands.h"
#include "commands/fit/Suggest.h"
#include "patch/PatchFormat.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "job/Script.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>

extern char** environ;

namespace quorvex::bench {
namespace {

bool g_smoke = false;
std::filesystem::path g_folder;

class SilentPrompt : public Prompt {
public:
    bool askYesNo(std::u16string_view) override { return true; }
};

TextDecoding Utf8() {
    TextDecoding decoding;
    decoding.mode = ReadMode::UTF8;
    return decoding;
}

std::span<const std::uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A job with its files on disk and the script the engine extracts from it.
struct Prepared {
    Job job;
    std::filesystem::path folder, rom, table, script, work;
    std::optional<CharTable> charTable;
    std::u16string framed;
    std::u16string scriptText;
    std::size_t scriptBytes = 0;  // the script as a UTF-8 file
};

JobOptions Shrink(JobOptions options) {
    if (!g_smoke) return options;
    options.pointers = std::max<std::size_t>(options.pointers / 400, 30);
    options.textBytes = std::max<std::size_t>(options.textBytes / 400, 1500);
    options.romBytes = options.romBytes / 4;
    options.tableEntries = std::max<std::size_t>(options.tableEntries / 12, 400);
    if (options.textEntries != 0) options.textEntries = std::max<std::size_t>(options.textEntries / 12, 400);
    return options;
}

// Every option that changes the job, so that two jobs never share one prepared copy.
std::string Describe(const JobOptions& o) {
    return std::to_string(static_cast<int>(o.kind)) + "-" + std::to_string(o.pointers) + "-" + std::to_string(o.textBytes) +
           "-" + std::to_string(o.romBytes) + "-" + std::to_string(o.tableEntries) + "-" + std::to_string(o.textEntries) +
           "-" + std::to_string(o.seed) + "-" + std::to_string(o.tableSeed) + "-" + std::to_string(o.sharedFraction) +
           "-" + std::to_string(o.tableStart) + "-" + std::to_string(o.textStart) + "-" + std::to_string(o.overlapping);
}

const Prepared& Prepare(const JobOptions& wanted) {
    static std::map<std::string, std::unique_ptr<Prepared>> cache;
    const JobOptions options = Shrink(wanted);
    auto& slot = cache[Describe(options)];
    if (slot) return *slot;

    auto prepared = std::make_unique<Prepared>();
    Prepared& p = *prepared;
    p.job = MakeJob(options);
    p.folder = g_folder / ("job-" + std::to_string(cache.size()));
    WriteJobFiles(p.job, p.folder);
    p.rom = p.folder / "rom.bin";
    p.table = p.folder / "table.tbl";
    p.script = p.folder / "script.txt";
    p.work = p.folder / "work.bin";
    p.charTable = CharTable::LoadFile(p.table, Utf8());
    p.framed = p.charTable->text();

    const auto script =
        commands::Extract({p.rom, {{}, &*p.charTable}, {}, p.job.settings, p.job.tableType, p.job.textType, {}}).output;
    if (!script) throw std::runtime_error("the generated job was refused");
    p.scriptText = *script;
    const std::string utf8 = ToUtf8(p.scriptText);
    p.scriptBytes = utf8.size();
    SaveFileAtomically(p.script, AsBytes(utf8));
    slot = std::move(prepared);
    return *slot;
}

void ResetWork(const Prepared& p) {
    SaveFileAtomically(p.work, p.job.rom);
}

void SetScript(benchmark::State& state, const Prepared& p) {
    state.counters["script_bytes"] = static_cast<double>(p.scriptBytes);
    state.counters["strings"] = static_cast<double>(p.job.strings);
}

// --- The engine -------------------------------------------------------------------------------------

void TableLoad(benchmark::State& state, JobOptions options) {
    const Prepared& p = Prepare(options);
    for (auto _ : state) benchmark::DoNotOptimize(CharTable::LoadFile(p.table, Utf8()));
    state.counters["entries"] = static_cast<double>(Shrink(options).tableEntries);
}

void LiteralTableLoad(benchmark::State& state, JobOptions options) {
    const Prepared& p = Prepare(options);
    for (auto _ : state) {
        const std::u16string framed = literal::FrameTable(DecodeTextFile(ReadWholeFile(p.table), Utf8()));
        benchmark::DoNotOptimize(literal::LongestTextLength(framed));
    }
}

void Extract(benchmark::State& state, JobOptions options) {
    const Prepared& p = Prepare(options);
    for (auto _ : state) {
        auto script =
            commands::Extract({p.rom, {{}, &*p.charTable}, {}, p.job.settings, p.job.tableType, p.job.textType, {}}).output;
        if (!script || script->size() != p.scriptText.size()) state.SkipWithError("the script changed between runs");
        benchmark::DoNotOptimize(script);
    }
    SetScript(state, p);
}

// With shortest, each line in the fewest bytes the table allows.
void InsertWith(benchmark::State& state, JobOptions options, bool shortest) {
    const Prepared& p = Prepare(options);
    SilentPrompt prompt;
    for (auto _ : state) {
        state.PauseTiming();
        ResetWork(p);
        state.ResumeTiming();
        if (!commands::Insert({p.work, {{}, &*p.charTable}, {{}, &p.scriptText}, {}, shortest}, prompt).ok())
            state.SkipWithError("Insert stopped");
    }
    // Inserting the extracted script must give back the ROM it came from (the
    // shortest encoding may write fewer bytes where the table's words overlap).
    if (!shortest && ReadWholeFile(p.work) != p.job.rom) state.SkipWithError("Insert did not give back the original ROM");
    SetScript(state, p);
}
void Insert(benchmark::State& state, JobOptions options) { InsertWith(state, options, false); }

void CheckWith(benchmark::State& state, JobOptions options, bool shortest) {
    const Prepared& p = Prepare(options);
    const bool huffman = p.job.textType == TextType::HuffmanV2;
    for (auto _ : state) {
        const CommandResult report =
            commands::CheckInsert(
            {huffman ? p.rom : std::filesystem::path(), {{}, &*p.charTable}, {{}, &p.scriptText}, {}, shortest});
        // The shortest encoding may take fewer bytes than the text area, never more.
        const std::u16string_view fits = shortest ? u"\r\nShortest encoding: " : u"The text fits perfectly!";
        if (!report.output || report.output->find(fits) == std::u16string::npos ||
            report.output->find(u" over ") != std::u16string::npos)
            state.SkipWithError("the script does not fit");
    }
    SetScript(state, p);
}
void Check(benchmark::State& state, JobOptions options) { CheckWith(state, options, false); }

// Suggest on the job's script (1 MiB), through a table of its characters
// alone under codes 01 to 8F, so that more than 64 codes are free.
void Suggest(benchmark::State& state, JobOptions options) {
    const Prepared& p = Prepare(options);
    std::u16string body = p.scriptText.substr(FindScriptBody(p.scriptText).value_or(0));
    std::map<char16_t, std::size_t> counts;
    for (const char16_t c : body)
        if (c != u'\r' && c != u'\n') ++counts[c];
    std::vector<std::pair<std::size_t, char16_t>> byCount;
    for (const auto& [c, count] : counts) byCount.push_back({count, c});
    std::sort(byCount.rbegin(), byCount.rend());
    std::string table;
    for (std::size_t i = 0; i < byCount.size(); ++i) {
        char key[8];
        if (i < 0x7F) std::snprintf(key, sizeof key, "%02X=", static_cast<unsigned>(i + 1));
        else std::snprintf(key, sizeof key, "%02X%02X=", static_cast<unsigned>(0x80 + (i - 0x7F) / 0x7F),
                           static_cast<unsigned>(1 + (i - 0x7F) % 0x7F));
        table += key + ToUtf8(std::u16string(1, byCount[i].second)) + "\r\n";
    }
    const std::filesystem::path tableFile = p.folder / "characters.tbl";
    SaveFileAtomically(tableFile, AsBytes(table));
    for (auto _ : state) {
        const CommandResult result = commands::Suggest({tableFile, {p.script}, Utf8(), 64, {}, 2, 2, false, {}});
        const auto entries = result.output ? std::count(result.output->begin(), result.output->end(), u'\t') : 0;
        if (!result.ok() || entries != 64) state.SkipWithError("Suggest did not propose 64 entries");
    }
    SetScript(state, p);
}

// --- The literal algorithms -------------------------------------------------------------------------

// Blocks the literal runs handle: a slice of a large job; all of a smoke
// job, so that its output can be compared whole, unless even that is slow.
std::size_t Slice(std::size_t total, std::size_t divisor, bool wholeInSmoke = true) {
    return g_smoke && wholeInSmoke ? total : std::max<std::size_t>(total / divisor, 1);
}

void LiteralExtract(benchmark::State& state, JobOptions options, std::size_t divisor) {
    const Prepared& p = Prepare(options);
    for (auto _ : state) {
        const std::size_t total = p.job.tableType == TableType::Scattered2 ? p.job.strings : p.job.options.pointers;
        const literal::Extraction run = literal::Extract(p.rom, p.framed, p.job.settings, p.job.tableType,
                                                         p.job.textType, Slice(total, divisor));
        // The blocks written must be the engine's, character for character.
        if (p.scriptText.compare(0, run.script.size(), run.script) != 0)
            state.SkipWithError("the literal script differs from the engine's");
        if (g_smoke && run.script != p.scriptText) state.SkipWithError("the literal script differs from the engine's");
        const double scale = static_cast<double>(run.stringsTotal) / static_cast<double>(std::max<std::size_t>(run.stringsDecoded, 1));
        state.SetIterationTime(run.tableSeconds + run.decodeSeconds * scale);
        state.counters["scale"] = scale;
        state.SetLabel(scale > 1.0 ? "decoded " + std::to_string(run.stringsDecoded) + " of " +
                                         std::to_string(run.stringsTotal) + " strings, scaled"
                                   : "whole job");
    }
    SetScript(state, p);
}

void LiteralInsert(benchmark::State& state, JobOptions options, bool write, std::size_t divisor) {
    const Prepared& p = Prepare(options);
    for (auto _ : state) {
        ResetWork(p);
        // Huffman v2 codes are found a byte read at a time: even a smoke job takes seconds whole.
        const std::size_t blocks = Slice(p.job.options.pointers, divisor, p.job.textType != TextType::HuffmanV2);
        const literal::Insertion run =
            literal::Insert(p.work, p.framed, p.charTable->longestTextLength(), p.scriptText, write, blocks);
        if (run.stoppedAtUnknown) state.SkipWithError("the literal insert met a character not in the table");
        const double scale = static_cast<double>(run.blocksTotal) / static_cast<double>(std::max<std::size_t>(run.blocksDone, 1));
        if (scale <= 1.0) {
            if (write && ReadWholeFile(p.work) != p.job.rom) state.SkipWithError("the literal insert changed the ROM");
            if (run.textBytes != static_cast<std::int64_t>(p.job.textAreaBytes))
                state.SkipWithError("the literal insert counted other bytes");
        }
        state.SetIterationTime(run.seconds * scale);
        state.counters["scale"] = scale;
        state.SetLabel(scale > 1.0 ? "did " + std::to_string(run.blocksDone) + " of " + std::to_string(run.blocksTotal) +
                                         " blocks, scaled"
                                   : "whole job");
    }
    SetScript(state, p);
}

// --- The pointer sort -------------------------------------------------------------------------------

enum class Order { InOrder, Reversed, Random };

std::vector<PointerEntry> SortInput(Order order) {
    const std::size_t n = g_smoke ? 2000 : kMaxEntries;
    std::vector<PointerEntry> entries(n);
    std::uint64_t x = 0x2545F4914F6CDD1DULL;
    for (std::size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        const std::int32_t address = order == Order::InOrder    ? static_cast<std::int32_t>(i * 16)
                                     : order == Order::Reversed ? static_cast<std::int32_t>((n - i) * 16)
                                                                // about one address in twenty shared
                                                                : static_cast<std::int32_t>(x % (n * 19 / 20));
        entries[i] = {address, static_cast<std::int32_t>(0x80000 + 3 * i)};
    }
    return entries;
}

const std::vector<PointerEntry>& ExchangeSorted(Order order) {
    static std::map<Order, std::vector<PointerEntry>> sorted;
    auto& result = sorted[order];
    if (result.empty()) {
        result = SortInput(order);
        literal::ExchangeSort(result);
    }
    return result;
}

// Times one sort of a fresh copy of the list per iteration.
std::vector<PointerEntry> TimeSort(benchmark::State& state, Order order, void (*sort)(std::span<PointerEntry>)) {
    const std::vector<PointerEntry> input = SortInput(order);
    std::vector<PointerEntry> entries;
    for (auto _ : state) {
        state.PauseTiming();
        entries = input;
        state.ResumeTiming();
        sort(entries);
        benchmark::ClobberMemory();
    }
    state.counters["entries"] = static_cast<double>(input.size());
    return entries;
}

void Sort(benchmark::State& state, Order order) {
    if (TimeSort(state, order, SortEntries) != ExchangeSorted(order))
        state.SkipWithError("the order differs from the exchange sort's");
}

void LiteralSort(benchmark::State& state, Order order) {
    (void)TimeSort(state, order, literal::ExchangeSort);
}

// --- The whole process ------------------------------------------------------------------------------

// Runs a program (found on the PATH unless the path is given) with stdout
// discarded and stderr written to errors; its exit code (-1 when it could not
// run or was killed). cpuSeconds, when given, receives the processor time it took.
int Run(const std::vector<std::string>& arguments, const std::string& errors = "/dev/null",
        double* cpuSeconds = nullptr) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (cpuSeconds) {
        const auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec * 1e-6; };
        *cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

enum class Command { Extract, Insert, Check };

std::vector<std::string> CliArguments(const Prepared& p, Command command) {
    std::vector<std::string> arguments = {QUORVEX_CLI_PATH};
    const std::string table = p.table.string();
    switch (command) {
    case Command::Extract: {
        arguments.insert(arguments.end(), {"extract", "--rom", p.rom.string(), "--table", table, "-o",
                                           (p.folder / "cli-script.txt").string()});
        const auto job = ExtractArguments(p.job);
        arguments.insert(arguments.end(), job.begin(), job.end());
        break;
    }
    case Command::Insert:
        arguments.insert(arguments.end(), {"insert", "--rom", p.work.string(), "--table", table, "--yes", p.script.string()});
        break;
    case Command::Check:
        arguments.insert(arguments.end(), {"check", "--table", table, p.script.string()});
        break;
    }
    return arguments;
}

void WholeProcess(benchmark::State& state, JobOptions options, Command command) {
    const Prepared& p = Prepare(options);
    const std::vector<std::string> arguments = CliArguments(p, command);
    for (auto _ : state) {
        if (command == Command::Insert) {
            state.PauseTiming();
            ResetWork(p);
            state.ResumeTiming();
        }
        if (Run(arguments) != 0) state.SkipWithError("quorvex-cli failed");
    }
    if (command == Command::Extract && ReadWholeFile(p.folder / "cli-script.txt") != ReadWholeFile(p.script))
        state.SkipWithError("the command line extracted another script");
    if (command == Command::Insert && ReadWholeFile(p.work) != p.job.rom)
        state.SkipWithError("the command line did not give back the original ROM");
    SetScript(state, p);
}

// Instructions of the whole quorvex-cli process (start, table load, reading
// and writing the files included) as callgrind counts them: exact from run to
// run, where times on a shared machine swing by tens of percent. Per byte of
// the text area (extract) or of the script file (insert).
void Instructions(benchmark::State& state, JobOptions options, Command command) {
    const Prepared& p = Prepare(options);
    std::vector<std::string> arguments = {"valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"};
    const std::vector<std::string> cli = CliArguments(p, command);
    arguments.insert(arguments.end(), cli.begin(), cli.end());
    const std::filesystem::path log = p.folder / "callgrind.log";
    for (auto _ : state) {
        if (command == Command::Insert) ResetWork(p);
        if (Run(arguments, log.string()) != 0) state.SkipWithError("valgrind could not run quorvex-cli (is it installed?)");
        state.SetIterationTime(1);
    }
    const std::vector<std::uint8_t> logged = ReadWholeFile(log);
    const std::string report(logged.begin(), logged.end());
    const std::size_t at = report.find("Collected : ");
    if (at == std::string::npos) return state.SkipWithError("callgrind reported no count");
    const double bytes = static_cast<double>(command == Command::Extract ? p.job.textAreaBytes : p.scriptBytes);
    state.counters["instructions"] = std::stod(report.substr(at + 12));
    state.counters["bytes"] = bytes;
    state.counters["per_byte"] = state.counters["instructions"] / bytes;
}

// --- Translation builds and patches ----------------------------------------------------------------

std::size_t DifferingBytes(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i < target.size(); ++i) differing += i >= source.size() || source[i] != target[i];
    return differing;
}

// The bytes that differ and the size of either patch, each checked to give back the target.
void SetPatchSizes(benchmark::State& state, std::span<const std::uint8_t> source, std::span<const std::uint8_t> target) {
    state.counters["differing"] = static_cast<double>(DifferingBytes(source, target));
    for (const auto& [name, format] : {std::pair{"bps_bytes", PatchFormat::Bps}, std::pair{"ips_bytes", PatchFormat::Ips}}) {
        const PatchResult patch = CreatePatchBytes(format, source, target);
        if (!patch.ok() || ApplyPatchBytes(patch.bytes, source).bytes != std::vector(target.begin(), target.end()))
            state.SkipWithError("a patch does not give back its target");
        state.counters[name] = static_cast<double>(patch.bytes.size());
    }
}

// Ten jobs side by side in a 4 MiB ROM, their translations extracted into
// scripts, and the project that inserts them all with a BPS patch.
struct PreparedBuild {
    BuildJobs jobs;
    std::filesystem::path project, output, patch;
    std::size_t strings = 0;
};

const PreparedBuild& PrepareBuild() {
    static std::unique_ptr<PreparedBuild> prepared;
    if (prepared) return *prepared;
    auto p = std::make_unique<PreparedBuild>();
    p->jobs = MakeBuildJobs(10, g_smoke ? 500 : 20000, 4u << 20);
    const std::filesystem::path folder = g_folder / "build";
    std::filesystem::create_directories(folder / "scripts");
    SaveFileAtomically(folder / "rom.bin", p->jobs.rom);
    SaveFileAtomically(folder / "translated.bin", p->jobs.translated);
    SaveFileAtomically(folder / "table.tbl", AsBytes(p->jobs.tableFile));
    const CharTable table = CharTable::LoadFile(folder / "table.tbl", Utf8());
    std::string project = "rom = \"rom.bin\"\noutput = \"out/game.bin\"\npatch = \"out/game.bps\"\nover = \"yes\"\n";
    for (std::size_t k = 0; k < p->jobs.translations.size(); ++k) {
        const Job& job = p->jobs.translations[k];
        const auto script =
            commands::Extract({folder / "translated.bin", {{}, &table}, {}, job.settings, job.tableType, job.textType, {}}).output;
        if (!script) throw std::runtime_error("a generated translation was refused");
        const std::string name = "scripts/job" + std::to_string(k) + ".txt";
        const std::string utf8 = ToUtf8(*script);
        SaveFileAtomically(folder / name, AsBytes(utf8));
        project += "\n[[job]]\nscript = \"" + name + "\"\ntable = \"table.tbl\"\n";
        p->strings += job.strings;
    }
    p->project = folder / "quorvex.toml";
    SaveFileAtomically(p->project, AsBytes(project));
    p->output = folder / "out" / "game.bin";
    p->patch = folder / "out" / "game.bps";
    prepared = std::move(p);
    return *prepared;
}

void BuildProcess(benchmark::State& state) {
    const PreparedBuild& p = PrepareBuild();
    const std::vector<std::string> arguments = {QUORVEX_CLI_PATH, "build", p.project.string()};
    for (auto _ : state)
        if (Run(arguments) != 0) state.SkipWithError("quorvex-cli build failed");
    if (ReadWholeFile(p.output) != p.jobs.translated) state.SkipWithError("the build differs from the translated ROM");
    if (ApplyPatchBytes(ReadWholeFile(p.patch), p.jobs.rom).bytes != p.jobs.translated)
        state.SkipWithError("the build's patch does not give back its image");
    state.counters["strings"] = static_cast<double>(p.strings);
    SetPatchSizes(state, p.jobs.rom, p.jobs.translated);
}

// Two 16 MiB images; the second has 1 MiB changed in 16 clusters, each a
// rewritten area: half of it bytes moved from elsewhere in the image, half new.
struct PatchPair {
    std::filesystem::path from, to;
    std::vector<std::uint8_t> source, target;
};

const PatchPair& PreparePatchPair() {
    static std::unique_ptr<PatchPair> prepared;
    if (prepared) return *prepared;
    auto p = std::make_unique<PatchPair>();
    const std::size_t size = g_smoke ? 1u << 20 : 16u << 20, cluster = size / 16 / 16;
    std::uint64_t x = 0x9E3779B97F4A7C15ULL;
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    p->source.resize(size);
    for (auto& byte : p->source) byte = static_cast<std::uint8_t>(next() >> 32);
    p->target = p->source;
    for (std::size_t c = 0; c < 16; ++c) {
        const std::size_t at = c * (size / 16) + 0x1000;
        const std::size_t movedFrom = (at + size / 3) % (size - cluster);
        std::copy_n(p->source.begin() + static_cast<std::ptrdiff_t>(movedFrom), cluster / 2,
                    p->target.begin() + static_cast<std::ptrdiff_t>(at));
        for (std::size_t i = cluster / 2; i < cluster; ++i) p->target[at + i] = static_cast<std::uint8_t>(next() >> 32);
    }
    p->from = g_folder / "patch-from.bin";
    p->to = g_folder / "patch-to.bin";
    SaveFileAtomically(p->from, p->source);
    SaveFileAtomically(p->to, p->target);
    prepared = std::move(p);
    return *prepared;
}

// A 4 MiB image and its translation: 1 MiB of words and the 8,192 pointers
// to its strings rewritten, the rest random.
const PatchPair& PrepareTranslationPair() {
    static std::unique_ptr<PatchPair> prepared;
    if (prepared) return *prepared;
    auto p = std::make_unique<PatchPair>();
    test::TranslationPairOptions options;
    if (g_smoke) options = {1u << 20, 1u << 18, 2048, 1};
    test::TranslationPair pair = test::MakeTranslationPair(options);
    p->source = std::move(pair.original);
    p->target = std::move(pair.translated);
    p->from = g_folder / "translation-from.bin";
    p->to = g_folder / "translation-to.bin";
    SaveFileAtomically(p->from, p->source);
    SaveFileAtomically(p->to, p->target);
    prepared = std::move(p);
    return *prepared;
}

void PatchProcess(benchmark::State& state, PatchFormat format, const PatchPair& (*prepare)()) {
    const PatchPair& p = prepare();
    const std::filesystem::path patch = g_folder / (format == PatchFormat::Bps ? "made.bps" : "made.ips");
    const std::vector<std::string> arguments = {QUORVEX_CLI_PATH, "patch", "--from", p.from.string(), "--to",
                                                p.to.string(),    "-o",    patch.string()};
    // The least processor time of the runs: the machine is shared, and the
    // least is what the work itself takes.
    double least = 0;
    for (auto _ : state) {
        double cpuSeconds = 0;
        if (Run(arguments, "/dev/null", &cpuSeconds) != 0) state.SkipWithError("quorvex-cli patch failed");
        least = least == 0 ? cpuSeconds : std::min(least, cpuSeconds);
    }
    state.counters["process_cpu_seconds"] = least;
    if (ApplyPatchBytes(ReadWholeFile(patch), p.source).bytes != p.target)
        state.SkipWithError("the patch does not give back the modified image");
    SetPatchSizes(state, p.source, p.target);
}

// --- Registration -----------------------------------------------------------------------------------

JobOptions MainJob() {
    return {};
}
JobOptions OverlappingJob() {
    JobOptions o;
    o.overlapping = true;
    return o;
}
JobOptions HuffmanJob() {
    JobOptions o;
    o.kind = JobKind::HuffmanV2;
    return o;
}
JobOptions ScatteredJob() {
    JobOptions o;
    o.kind = JobKind::Scattered2;
    o.textBytes = 256u << 10;
    return o;
}
JobOptions StringsTimes(std::size_t k) {
    JobOptions o;
    o.pointers = 16000 * k;
    o.textBytes = 819200 * k;
    return o;
}
JobOptions TableTimes(std::size_t k) {
    JobOptions o;
    o.tableEntries = 5000 * k;
    o.textEntries = 5000;
    return o;
}
JobOptions RomTimes(JobOptions o, std::size_t k) {
    o.romBytes *= k;
    return o;
}

// Engine benchmarks run for a while and report wall time (they read and write files).
template <class... Args>
void AddTimed(double minTime, const std::string& name, void (*function)(benchmark::State&, Args...), Args... args) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), function, args...);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
    if (g_smoke) b->Iterations(1);
    else b->MinTime(minTime);
}

template <class... Args>
void Add(const std::string& name, void (*function)(benchmark::State&, Args...), Args... args) {
    AddTimed(0.5, name, function, args...);
}

// Cases that are compared with each other run three times; the summary takes the median.
template <class... Args>
void AddCompared(const std::string& name, void (*function)(benchmark::State&, Args...), Args... args) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), function, args...);
    b->Unit(benchmark::kMillisecond)->UseRealTime();
    if (g_smoke) b->Iterations(1);
    else b->MinTime(0.5)->Repetitions(3)->DisplayAggregatesOnly(true);
}

// The literal runs take seconds: one iteration, timed by the run itself.
template <class... Args>
void AddLiteral(const std::string& name, void (*function)(benchmark::State&, Args...), Args... args) {
    benchmark::RegisterBenchmark(name.c_str(), function, args...)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
}

void RegisterAll() {
    Add("TableLoad/5000 entries", TableLoad, MainJob());
    Add("TableLoad/5000 entries/literal", LiteralTableLoad, MainJob());

    AddCompared("Extract/Regular3", Extract, MainJob());
    AddLiteral("Extract/Regular3/literal", LiteralExtract, MainJob(), std::size_t{50});
    AddCompared("Insert/Regular3", Insert, MainJob());
    AddLiteral("Insert/Regular3/literal", LiteralInsert, MainJob(), true, std::size_t{400});
    AddCompared("CheckInsert/Regular3", Check, MainJob());
    AddLiteral("CheckInsert/Regular3/literal", LiteralInsert, MainJob(), false, std::size_t{400});
    AddCompared("Insert/Regular3/shortest", InsertWith, MainJob(), true);
    AddCompared("CheckInsert/Regular3/shortest", CheckWith, MainJob(), true);
    AddCompared("Insert/Overlapping", InsertWith, OverlappingJob(), false);
    AddCompared("Insert/Overlapping/shortest", InsertWith, OverlappingJob(), true);
    Add("Suggest/64 codes", Suggest, MainJob());

    Add("Extract/HuffmanV2", Extract, HuffmanJob());
    AddLiteral("Extract/HuffmanV2/literal", LiteralExtract, HuffmanJob(), std::size_t{20});
    Add("Insert/HuffmanV2", Insert, HuffmanJob());
    AddLiteral("Insert/HuffmanV2/literal", LiteralInsert, HuffmanJob(), true, std::size_t{50});
    Add("CheckInsert/HuffmanV2", Check, HuffmanJob());

    Add("Extract/Scattered2", Extract, ScatteredJob());
    AddLiteral("Extract/Scattered2/literal", LiteralExtract, ScatteredJob(), std::size_t{20});

    for (const auto& [name, order] : {std::pair{"in order", Order::InOrder}, std::pair{"reversed", Order::Reversed},
                                      std::pair{"random", Order::Random}}) {
        Add(std::string("Sort/") + name, Sort, order);
        auto* b = benchmark::RegisterBenchmark((std::string("Sort/") + name + "/literal").c_str(), LiteralSort, order);
        b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    }

    AddTimed(2.0, "Process/extract", WholeProcess, MainJob(), Command::Extract);
    AddTimed(2.0, "Process/insert", WholeProcess, MainJob(), Command::Insert);
    AddTimed(2.0, "Process/check", WholeProcess, MainJob(), Command::Check);
    if (!g_smoke) {
        for (const auto& [name, command] : {std::pair{"Instructions/extract", Command::Extract},
                                            std::pair{"Instructions/insert", Command::Insert}})
            benchmark::RegisterBenchmark(name, Instructions, MainJob(), command)->Iterations(1)->UseManualTime();
    }
    AddTimed(2.0, "Process/build", BuildProcess);
    AddTimed(2.0, "Process/patch/bps", PatchProcess, PatchFormat::Bps, &PreparePatchPair);
    AddTimed(2.0, "Process/patch/ips", PatchProcess, PatchFormat::Ips, &PreparePatchPair);
    AddTimed(2.0, "Process/patch/translation", PatchProcess, PatchFormat::Bps, &PrepareTranslationPair);

    for (const std::size_t k : {1, 2, 4}) {
        const std::string suffix = "/strings x" + std::to_string(k);
        AddCompared("Scale/Extract" + suffix, Extract, StringsTimes(k));
        AddCompared("Scale/Insert" + suffix, Insert, StringsTimes(k));
        AddCompared("Scale/CheckInsert" + suffix, Check, StringsTimes(k));
    }
    for (const std::size_t k : {1, 10}) {
        const std::string suffix = "/table x" + std::to_string(k);
        AddCompared("Scale/TableLoad" + suffix, TableLoad, TableTimes(k));
        AddCompared("Scale/Extract" + suffix, Extract, TableTimes(k));
        AddCompared("Scale/Insert" + suffix, Insert, TableTimes(k));
        AddCompared("Scale/CheckInsert" + suffix, Check, TableTimes(k));
    }
    for (const std::size_t k : {1, 4}) {
        const std::string suffix = "/rom x" + std::to_string(k);
        AddCompared("Scale/Extract" + suffix, Extract, RomTimes(MainJob(), k));
        AddCompared("Scale/Insert" + suffix, Insert, RomTimes(MainJob(), k));
        AddCompared("Scale/Extract/Scattered2" + suffix, Extract, RomTimes(ScatteredJob(), k));
    }
}

}  // namespace
}  // namespace quorvex::bench

int main(int argc, char** argv) {
    using namespace quorvex::bench;
    std::vector<char*> rest;
    std::optional<std::filesystem::path> writeJob, writeBuild;
    bool overlapping = false;
    std::size_t strings = 0, entries = 0;  // 0: as the large job has them
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) g_smoke = true;
        else if (std::strncmp(argv[i], "--write-job=", 12) == 0) writeJob = argv[i] + 12;
        else if (std::strcmp(argv[i], "--overlapping") == 0) overlapping = true;
        else if (std::strncmp(argv[i], "--strings=", 10) == 0) strings = std::strtoul(argv[i] + 10, nullptr, 10);
        else if (std::strncmp(argv[i], "--entries=", 10) == 0) entries = std::strtoul(argv[i] + 10, nullptr, 10);
        else if (std::strncmp(argv[i], "--write-build=", 14) == 0) writeBuild = argv[i] + 14;
        else rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());

    try {
        if (writeJob) {
            JobOptions options = overlapping ? OverlappingJob() : MainJob();
            if (strings > 0) {
                options.textBytes = options.textBytes / options.pointers * strings;
                options.pointers = strings;
            }
            if (entries > 0) options.tableEntries = entries;
            const Job job = MakeJob(options);
            WriteJobFiles(job, *writeJob);
            std::cout << "Wrote " << writeJob->string() << ": run quorvex-cli extract with the arguments in job.txt\n";
            return 0;
        }
        if (writeBuild) {
            g_folder = *writeBuild;
            std::cout << "Wrote " << PrepareBuild().project.string() << ": run quorvex-cli build on it\n";
            return 0;
        }
        g_folder = std::filesystem::temp_directory_path() / ("quorvex-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(g_folder);

        benchmark::Initialize(&restCount, rest.data());
        if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 2;
        RegisterAll();
        SummaryReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        PrintSummary(reporter, std::cout, g_smoke);
        std::filesystem::remove_all(g_folder);
        return reporter.failures() == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "quorvex_bench: " << error.what() << '\n';
        if (!g_folder.empty()) std::filesystem::remove_all(g_folder);
        return 1;
    }
}
