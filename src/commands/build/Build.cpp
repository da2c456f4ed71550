#include "commands/build/Build.h"

#include "commands/Commands.h"
#include "commands/ImageOutputs.h"
#include "commands/build/Project.h"
#include "job/Messages.h"
#include "job/Script.h"
#include "platform/Files.h"

#include <map>
#include <tuple>

namespace quorvex::commands {
namespace {

// Answers every question with the project's answer, and puts the question
// and the answer into the job's report as the terminal would show them.
class AnsweringPrompt : public Prompt {
public:
    AnsweringPrompt(bool answer, CommandResult& said) : m_answer(answer), m_said(said) {}
    bool askYesNo(std::u16string_view text) override {
        m_said.Tell(Severity::Information, std::u16string(text) + (m_answer ? u" yes" : u" no"));
        return m_answer;
    }

private:
    bool m_answer;
    CommandResult& m_said;
};

// The report is plain lines; the messages break theirs with CR LF.
void AddLine(std::u16string& report, std::u16string_view indent, std::u16string_view text) {
    report += indent;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        report += text[i];
        if (text[i] == u'\n') report += indent;
    }
    report += u'\n';
}

void AddMessages(std::u16string& report, const CommandResult& said, std::u16string_view indent) {
    for (const Message& message : said.messages) AddLine(report, indent, message.text);
}

// The tables of a build by file and read mode: jobs that share a table load it once.
using TableCache = std::map<std::tuple<std::filesystem::path, ReadMode, std::string>, CharTable>;

// One job on the image, as insert runs it on a ROM: the table and the script
// read in the job's read mode, then the same insert.
CommandResult RunJob(const Project& project, const ProjectJob& job, std::optional<bool> over,
                     std::vector<std::uint8_t>& image, TableCache& tables) {
    const CharTable* table = nullptr;
    if (!job.table.empty()) {
        const auto key = std::tuple(project.Resolve(job.table), job.decoding.mode, job.decoding.systemCodePage);
        auto cached = tables.find(key);
        if (cached == tables.end()) {
            LoadedTable loaded = LoadTable(std::get<0>(key), job.decoding);
            if (!loaded.table) return std::move(loaded.result);
            cached = tables.emplace(key, std::move(*loaded.table)).first;
        }
        table = &cached->second;
    }
    LoadedScript script = LoadScript(project.Resolve(job.script), job.decoding);
    if (!script.text) return std::move(script.result);

    CommandResult said;
    const std::optional<std::u16string> mapped = WithMapLine(*script.text, job.map);
    if (!mapped) {
        const std::string_view named = MapName(ReadScriptHeader(*script.text)->job.map);
        return said.Fail(Severity::Warning, messages::ProjectMapDiffers(named, MapName(job.map)));
    }
    AnsweringPrompt prompt(over.value_or(job.over), said);
    InsertRequest request;
    request.table = table;
    request.script = *mapped;
    request.shortest = job.shortest;
    if (auto inserted = InsertIntoImage(image, request, prompt, said)) image = std::move(*inserted);
    return said;
}

CommandResult RunBuild(const Project& project, std::optional<bool> over) {
    const std::filesystem::path rom = project.Resolve(project.rom);
    const ImageOutputs outputs{project.Resolve(project.output), project.Resolve(project.patch), project.checksum};
    if (auto refused = RefuseOutputs(rom, outputs)) return *refused;

    const std::vector<std::uint8_t> source = ReadWholeFile(rom);
    std::vector<std::uint8_t> image = source;
    CommandResult result;
    std::u16string report;
    const auto stop = [&](std::u16string_view why) {
        AddLine(report, u"", messages::kBuildWroteNothing);
        result.output = std::move(report);
        return result.Fail(Severity::Warning, why);
    };
    TableCache tables;
    for (const ProjectJob& job : project.jobs) {
        AddLine(report, u"", FromUtf8(job.script.string()));
        const CommandResult said = RunJob(project, job, over, image, tables);
        AddMessages(report, said, u"    ");
        if (!said.ok()) return stop(messages::JobStopped(job.script.string(), said.messages.back().text));
    }
    CommandResult finished;
    const bool written = FixImageChecksum(image, project.checksum, finished) && WriteOutputs(source, image, outputs, finished);
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
