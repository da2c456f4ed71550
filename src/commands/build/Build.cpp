#include "commands/build/Build.h"

#include "commands/Commands.h"
#include "commands/ImageOutputs.h"
#include "commands/build/Project.h"
#include "insert/LineReports.h"
#include "job/JobAreas.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <tuple>

namespace quorvex::commands {
namespace {

// Answers every question with the project's answer, and puts the first
// question and the answer into the job's report as the terminal would show
// them: the question comes after every string for as long as the text stays
// over, and the final message says where it ended.
class AnsweringPrompt : public Prompt {
public:
    AnsweringPrompt(bool answer, CommandResult& said) : m_answer(answer), m_said(said) {}
    bool askYesNo(std::u16string_view text) override {
        if (!m_told) m_said.Tell(Severity::Information, std::u16string(text) + (m_answer ? u" yes" : u" no"));
        m_told = true;
        return m_answer;
    }

private:
    bool m_answer;
    CommandResult& m_said;
    bool m_told = false;
};

// The report is plain lines; the messages break theirs with CR LF.
void AddLine(std::u16string& report, std::u16string_view indent, std::u16string_view text) {
    report += indent;
    std::u16string lineEnd(1, u'\n');
    lineEnd += indent;
    report += RewriteLineEnds(text, lineEnd);
    report += u'\n';
}

void AddMessages(std::u16string& report, const CommandResult& said, std::u16string_view indent) {
    for (const Message& message : said.messages) AddLine(report, indent, message.text);
}

// The tables of a build by file and read mode: jobs that share a table load it once.
using TableCache = std::map<std::tuple<std::filesystem::path, ReadMode, std::string>, CharTable>;

// The scripts of every job, read in the jobs' read modes, in the jobs' order.
struct JobScripts {
    std::vector<std::u16string> texts;
    std::vector<ClaimedArea> areas;  // of the scripts whose header reads
};

// Reads every script; why the first that cannot be read could not, named by its script.
std::optional<std::u16string> ReadScripts(const Project& project, JobScripts& scripts) {
    for (std::size_t i = 0; i < project.jobs.size(); ++i) {
        const ProjectJob& job = project.jobs[i];
        LoadedScript script = LoadScript(project.Resolve(job.script), job.decoding);
        if (!script.text) return messages::JobStopped(job.script.string(), script.result.messages.back().text);
        if (const auto header = ReadScriptHeader(*script.text))
            for (ClaimedArea& area : AreasOf(*header, i, FromUtf8(job.script.string())))
                scripts.areas.push_back(std::move(area));
        scripts.texts.push_back(std::move(*script.text));
    }
    return std::nullopt;
}

// Two jobs that claim the same bytes would write over each other whatever order they run in.
std::optional<CommandResult> RefuseClash(const JobScripts& scripts) {
    const std::optional<AreaClash> clash = FindClash(scripts.areas);
    if (!clash) return std::nullopt;
    CommandResult refused;
    return refused.Fail(Severity::Warning,
                        messages::AreaClaimedTwice(clash->first.owner, clash->second.owner, clash->sharedFirst,
                                                   clash->sharedLast),
                        ExitClass::Usage);
}

// One job on the image, as insert runs it on a ROM: the table read in the
// job's read mode, then the same insert, kept out of the other jobs' areas.
CommandResult RunJob(const Project& project, std::size_t index, const JobScripts& scripts, std::optional<bool> over,
                     std::vector<std::uint8_t>& image, TableCache& tables) {
    const ProjectJob& job = project.jobs[index];
    CommandResult said;
    const CharTable* table = nullptr;
    if (!job.table.empty()) {
        const auto key = std::tuple(project.Resolve(job.table), job.decoding.mode, job.decoding.systemCodePage);
        auto cached = tables.find(key);
        if (cached == tables.end()) {
            LoadedTable loaded = LoadTable(std::get<0>(key), job.decoding);
            if (!loaded.table) return std::move(loaded.result);
            // What loading said (lines of the table it does not read) is told once, with this job.
            said.messages = std::move(loaded.result.messages);
            cached = tables.emplace(key, std::move(*loaded.table)).first;
        }
        table = &cached->second;
    }
    std::vector<ClaimedArea> othersAreas;
    std::copy_if(scripts.areas.begin(), scripts.areas.end(), std::back_inserter(othersAreas),
                 [&](const ClaimedArea& area) { return area.job != index; });

    const std::u16string& text = scripts.texts[index];
    // The project's map goes into a script that names none; with no map the script is used as it is.
    std::optional<std::u16string> mapped;
    if (job.map != AddressMapKind::None) {
        mapped = WithMapLine(text, job.map);
        if (!mapped) {
            const std::string_view named = MapName(ReadScriptHeader(text)->job.map);
            return said.Fail(Severity::Warning, messages::ProjectMapDiffers(named, MapName(job.map)));
        }
    }
    const std::u16string_view script = mapped ? std::u16string_view(*mapped) : std::u16string_view(text);
    AnsweringPrompt prompt(over.value_or(job.over), said);
    InsertRequest request;
    request.shortest = job.shortest;
    request.othersAreas = othersAreas;
    if (auto inserted = InsertIntoImage(image, {table, script}, request, prompt, said)) image = std::move(*inserted);
    // Too wide lines only warn: the game may wrap them, and the translator decides.
    if (said.ok() && job.box.maxWidth > 0)
        for (const std::u16string& piece : TooWidePieces(table, script, job.box))
            said.Tell(Severity::Warning, piece);
    return said;
}

CommandResult RunBuild(const Project& project, std::optional<bool> over) {
    const std::filesystem::path rom = project.Resolve(project.rom);
    const ImageOutputs outputs{project.Resolve(project.output), project.Resolve(project.patch), project.checksum};
    if (auto refused = RefuseOutputs(rom, outputs)) return *refused;

    CommandResult result;
    std::u16string report;
    const auto stop = [&](std::u16string_view why) {
        AddLine(report, u"", messages::kBuildWroteNothing);
        result.output = std::move(report);
        return result.Fail(Severity::Warning, why);
    };
    JobScripts scripts;
    if (auto failed = ReadScripts(project, scripts)) return stop(*failed);
    if (auto refused = RefuseClash(scripts)) return *refused;

    const std::vector<std::uint8_t> source = ReadWholeFile(rom);
    std::vector<std::uint8_t> image = source;
    TableCache tables;
    for (std::size_t i = 0; i < project.jobs.size(); ++i) {
        const ProjectJob& job = project.jobs[i];
        AddLine(report, u"", FromUtf8(job.script.string()));
        const CommandResult said = RunJob(project, i, scripts, over, image, tables);
        AddMessages(report, said, u"    ");
        if (!said.ok()) return stop(messages::JobStopped(job.script.string(), said.messages.back().text));
    }
    CommandResult finished;
    const bool written = FixImageChecksum(image, project.checksum, finished) && WriteOutputs(rom, source, image, outputs, finished);
    AddMessages(report, finished, u"");
    if (!written) return stop(finished.messages.back().text);
    result.output = std::move(report);
    result.Tell(Severity::Information, messages::kDone);
    return result;
}

}  // namespace

CommandResult Build(const BuildRequest& request) {
    ProjectRead read = ReadProject(request.project);
    if (!read.project) return std::move(read.result);
    return Guarded([&] { return RunBuild(*read.project, request.over); });
}

}  // namespace quorvex::commands
