#include "commands/build/Project.h"

#include "patch/PatchFormat.h"
#include "job/JobSettings.h"
#include "job/Messages.h"
#include "platform/Files.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

namespace quorvex::commands {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// What a job takes from the top of the file unless it says otherwise.
struct JobDefaults {
    TextDecoding decoding{ReadMode::UTF8, "windows-1252"};
    bool over = false;
    bool shortest = false;
    TextBox box;
};

// Gathers every problem with its line, so that one run names them all.
class Reader {
public:
    void Problem(const toml::source_region& where, std::u16string text) {
        m_problems.emplace_back(static_cast<std::int64_t>(where.begin.line), std::move(text));
    }
    void Problem(std::int64_t line, std::u16string text) { m_problems.emplace_back(line, std::move(text)); }

    std::optional<std::string> String(std::string_view key, const toml::node& node) {
        if (const auto* text = node.as_string()) return text->get();
        Problem(node.source(), messages::ProjectKeyMustBe(key, messages::kMustBeString));
        return std::nullopt;
    }

    // A string that must be one of a few words (in any case); no value, and the problem noted, otherwise.
    template <typename Parse>
    auto Word(std::string_view key, const toml::node& node, std::u16string_view allowed, Parse parse)
        -> decltype(parse(std::string())) {
        const auto* text = node.as_string();
        auto parsed = text ? parse(Lower(text->get())) : decltype(parse(std::string())){};
        if (!parsed) Problem(node.source(), messages::ProjectKeyMustBe(key, allowed));
        return parsed;
    }

    // read_mode, code_page, over, shortest, max_width and breaks, which the
    // top of the file sets for every job and a job for itself. False for any
    // other key.
    bool JobSetting(std::string_view key, const toml::node& node, JobDefaults& settings) {
        if (key == "read_mode") {
            const auto mode = Word(key, node, messages::kMustBeReadMode, ReadModeFromName);
            if (mode) settings.decoding.mode = *mode;
        } else if (key == "code_page") {
            const auto name = String(key, node);
            if (name && IsKnownCodePage(*name)) settings.decoding.systemCodePage = *name;
            else if (name) Problem(node.source(), messages::ProjectKeyMustBe(key, messages::kMustBeCodePage));
        } else if (key == "over") {
            const auto answer = Word(key, node, messages::kMustBeYesNo, [](const std::string& word) -> std::optional<bool> {
                if (word == "yes" || word == "no") return word == "yes";
                return std::nullopt;
            });
            if (answer) settings.over = *answer;
        } else if (key == "shortest") {
            if (const auto* flag = node.as_boolean()) settings.shortest = flag->get();
            else Problem(node.source(), messages::ProjectKeyMustBe(key, messages::kMustBeBoolean));
        } else if (key == "max_width") {
            const auto* width = node.as_integer();
            if (width && width->get() > 0) settings.box.maxWidth = width->get();
            else Problem(node.source(), messages::ProjectKeyMustBe(key, messages::kMustBePositive));
        } else if (key == "breaks") {
            if (auto breaks = Strings(key, node)) settings.box.breaks = std::move(*breaks);
        } else {
            return false;
        }
        return true;
    }

    std::optional<std::vector<std::u16string>> Strings(std::string_view key, const toml::node& node) {
        const auto* array = node.as_array();
        std::vector<std::u16string> texts;
        if (array)
            for (const toml::node& element : *array)
                if (const auto* text = element.as_string()) texts.push_back(FromUtf8(text->get()));
        if (array && texts.size() == array->size()) return texts;
        Problem(node.source(), messages::ProjectKeyMustBe(key, messages::kMustBeStrings));
        return std::nullopt;
    }

    ProjectJob Job(const toml::table& table, JobDefaults settings) {
        ProjectJob job;
        for (auto&& [key, node] : table) {
            if (key.str() == "script") job.script = String(key.str(), node).value_or("");
            else if (key.str() == "table") job.table = String(key.str(), node).value_or("");
            else if (key.str() == "map") job.map = Word(key.str(), node, messages::kMustBeMap, ParseMapName).value_or(job.map);
            else if (!JobSetting(key.str(), node, settings)) Problem(key.source(), messages::UnknownProjectKey(key.str()));
        }
        if (!table.contains("script")) Problem(table.source(), messages::ProjectKeyRequired("script"));
        job.decoding = settings.decoding;
        job.over = settings.over;
        job.shortest = settings.shortest;
        job.box = settings.box;
        return job;
    }

    Project Read(const toml::table& top) {
        Project project;
        JobDefaults defaults;
        const toml::node* jobs = nullptr;
        for (auto&& [key, node] : top) {
            const std::string_view name = key.str();
            if (name == "rom") project.rom = String(name, node).value_or("");
            else if (name == "output") project.output = String(name, node).value_or("");
            else if (name == "patch") {
                project.patch = String(name, node).value_or("");
                if (!project.patch.empty() && !PatchFormatForPath(project.patch.string()))
                    Problem(node.source(), messages::ProjectKeyMustBe(name, messages::kMustBePatchPath));
            } else if (name == "checksum") {
                const auto* text = node.as_string();
                if (!text || Lower(text->get()) != "none") {
                    project.checksum = text ? ChecksumChoiceFromName(Lower(text->get())) : std::nullopt;
                    if (!project.checksum) Problem(node.source(), messages::ProjectKeyMustBe(name, messages::kMustBeChecksum));
                }
            } else if (name == "job") jobs = &node;
            else if (!JobSetting(name, node, defaults)) Problem(key.source(), messages::UnknownProjectKey(name));
        }
        if (!top.contains("rom")) Problem(1, messages::ProjectKeyRequired("rom"));
        if (!top.contains("output") && !top.contains("patch")) Problem(1, std::u16string(messages::kProjectNeedsOutput));
        if (jobs && !jobs->is_array_of_tables()) Problem(jobs->source(), messages::ProjectKeyMustBe("job", messages::kMustBeJobs));
        else if (jobs)
            for (const toml::node& job : *jobs->as_array()) project.jobs.push_back(Job(*job.as_table(), defaults));
        return project;
    }

    ProjectRead Result(Project project, const std::filesystem::path& file) {
        ProjectRead read;
        if (m_problems.empty()) {
            read.project = std::move(project);
            return read;
        }
        std::stable_sort(m_problems.begin(), m_problems.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [line, problem] : m_problems)
            read.result.Fail(Severity::Warning, messages::ProjectProblem(file.string(), line, problem), ExitClass::Usage);
        return read;
    }

private:
    std::vector<std::pair<std::int64_t, std::u16string>> m_problems;
};

}  // namespace

ProjectRead ParseProject(std::string_view text, const std::filesystem::path& file) {
    Reader reader;
    Project project;
    try {
        project = reader.Read(toml::parse(text, file.string()));
    } catch (const toml::parse_error& error) {
        std::string_view description = error.description();
        while (description.ends_with('.')) description.remove_suffix(1);
        reader.Problem(error.source(), FromUtf8(description));
    }
    project.folder = file.parent_path();
    return reader.Result(std::move(project), file);
}

ProjectRead ReadProject(const std::filesystem::path& file) {
    std::optional<ProjectRead> parsed;
    CommandResult failed = Guarded([&] {
        const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
        parsed = ParseProject(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), file);
        return CommandResult{};
    });
    if (parsed) return std::move(*parsed);
    return {std::nullopt, std::move(failed)};
}

}  // namespace quorvex::commands
