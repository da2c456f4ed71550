#include "SummaryTable.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace quorvex::bench {

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        Measured& m = m_results[run.run_name.function_name];
        if (run.error_occurred) {
            if (!m.failed) ++m_failures;
            m.failed = true;
            m.label = run.error_message;
            continue;
        }
        if (m.failed) continue;
        // Repeated cases report their median, which a busy moment of the machine moves least.
        m.seconds = run.iterations > 0 ? run.real_accumulated_time / static_cast<double>(run.iterations) : 0;
        m.cpuSeconds = run.iterations > 0 ? run.cpu_accumulated_time / static_cast<double>(run.iterations) : 0;
        if (median) {
            m.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            m.cpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        const auto bytes = run.counters.find("script_bytes");
        m.scriptBytes = bytes == run.counters.end() ? 0 : bytes->second.value;
        m.label = run.report_label;
        for (const auto& [name, counter] : run.counters) m.counters[name] = counter.value;
    }
}

const Measured* SummaryReporter::Find(const std::string& name) const {
    const auto found = m_results.find(name);
    return found == m_results.end() ? nullptr : &found->second;
}

namespace {

std::string Time(double seconds) {
    char buffer[32];
    if (seconds >= 100) std::snprintf(buffer, sizeof buffer, "%.0f s", seconds);
    else if (seconds >= 1) std::snprintf(buffer, sizeof buffer, "%.2f s", seconds);
    else if (seconds >= 1e-3) std::snprintf(buffer, sizeof buffer, "%.1f ms", seconds * 1e3);
    else std::snprintf(buffer, sizeof buffer, "%.0f µs", seconds * 1e6);
    return buffer;
}

std::string Number(double value, const char* format) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

struct Row {
    std::string title;
    std::string fast;
    std::string literal;  // empty: no literal counterpart
    std::string target;
    // Judges the target from the fast time and the ratio (0 when there is none).
    std::function<bool(double seconds, double ratio)> met;
};

void Line(std::ostream& out, const std::vector<std::string>& cells) {
    out << '|';
    for (const std::string& cell : cells) out << ' ' << cell << " |";
    out << '\n';
}

}  // namespace

void PrintSummary(const SummaryReporter& results, std::ostream& out, bool smoke) {
    auto under = [](double limit) { return [limit](double s, double) { return s <= limit; }; };
    auto faster = [](double times) { return [times](double, double ratio) { return ratio >= times; }; };
    const std::vector<Row> rows = {
        {"Table load, 5,000 entries (the literal one builds no index)", "TableLoad/5000 entries", "TableLoad/5000 entries/literal", "≤ 10 ms", under(0.010)},
        {"Extract, Regular3, 20,000 pointers, 1 MiB", "Extract/Regular3", "Extract/Regular3/literal", "≥ 100× literal", faster(100)},
        {"Insert, same job (into a copy, atomic save)", "Insert/Regular3", "Insert/Regular3/literal", "≥ 100× literal", faster(100)},
        {"Check Insert, same job", "CheckInsert/Regular3", "CheckInsert/Regular3/literal", "≥ 100× literal, ≤ 0.1 s",
         [](double s, double ratio) { return ratio >= 100 && s <= 0.1; }},
        {"Extract, Huffman v2 (decode)", "Extract/HuffmanV2", "Extract/HuffmanV2/literal", "≥ 100× literal", faster(100)},
        {"Insert, Huffman v2 (encode)", "Insert/HuffmanV2", "Insert/HuffmanV2/literal", "≥ 100× literal", faster(100)},
        {"Check Insert, Huffman v2 (1.5 M characters)", "CheckInsert/HuffmanV2", "", "—", nullptr},
        {"Extract, Scattered2, 256 KiB, pointer search", "Extract/Scattered2", "Extract/Scattered2/literal", "≥ 100× literal", faster(100)},
        {"Sort 65,535 entries, in order", "Sort/in order", "Sort/in order/literal", "< 1 ms, same order", under(0.001)},
        {"Sort 65,535 entries, reversed", "Sort/reversed", "Sort/reversed/literal", "< 2 s, same order", under(2)},
        {"Sort 65,535 entries, random", "Sort/random", "Sort/random/literal", "< 2 s, same order", under(2)},
        {"quorvex-cli extract, whole process", "Process/extract", "", "≤ 0.15 s", under(0.15)},
        {"quorvex-cli insert, whole process", "Process/insert", "", "≤ 0.15 s", under(0.15)},
        {"quorvex-cli check, whole process", "Process/check", "", "≤ 0.1 s", under(0.1)},
        {"quorvex-cli build, 10 jobs, 20,000 strings, 4 MiB, BPS patch, whole process", "Process/build", "", "< 0.3 s", under(0.3)},
        {"quorvex-cli patch, two 16 MiB images, 1 MiB changed, BPS, whole process", "Process/patch/bps", "", "< 0.3 s", under(0.3)},
        {"quorvex-cli patch, the same, IPS, whole process", "Process/patch/ips", "", "< 0.3 s", under(0.3)},
        {"quorvex-cli patch, translation: 4 MiB, 1 MiB of words and 8,192 pointers rewritten, BPS, whole process",
         "Process/patch/translation", "", "≤ 0.23 s", under(0.23)},
        {"Suggest, the same script (1 MiB of text), 64 codes, pairs", "Suggest/64 codes", "", "< 5 s", under(5)},
    };

    out << "\n## Summary" << (smoke ? " (smoke run: tiny jobs, targets not judged)" : "") << "\n\n";
    Line(out, {"Case", "Time", "Script MiB/s", "Literal algorithm", "Ratio", "Target", "Met"});
    Line(out, {"---", "---:", "---:", "---:", "---:", "---", "---"});
    for (const Row& row : rows) {
        const Measured* fast = results.Find(row.fast);
        if (!fast) continue;
        if (fast->failed) {
            Line(out, {row.title, "FAILED: " + fast->label, "", "", "", row.target, "no"});
            continue;
        }
        const Measured* literal = row.literal.empty() ? nullptr : results.Find(row.literal);
        const double ratio = literal && !literal->failed && fast->seconds > 0 ? literal->seconds / fast->seconds : 0;
        std::string literalCell = "—";
        if (literal) {
            literalCell = literal->failed ? "FAILED: " + literal->label : Time(literal->seconds);
            if (!literal->failed && !literal->label.empty() && literal->label != "whole job")
                literalCell += " (" + literal->label + ")";
        }
        const std::string throughput =
            fast->scriptBytes > 0 ? Number(fast->scriptBytes / (1 << 20) / fast->seconds, "%.1f") : "—";
        const std::string met = smoke || !row.met ? "—" : (row.met(fast->seconds, ratio) ? "yes" : "**no**");
        Line(out, {row.title, Time(fast->seconds), throughput, literalCell, ratio > 0 ? Number(ratio, ratio < 10 ? "%.2f×" : "%.0f×") : "—",
                   row.target, met});
    }
    if (const Measured* extract = results.Find("Extract/Regular3")) {
        if (const Measured* insert = results.Find("Insert/Regular3"); insert && !extract->failed && !insert->failed) {
            // Insert's save waits for the disk twice (the file, then its folder);
            // the processor time shows the work apart from that wait.
            const double ratio = insert->seconds / extract->seconds;
            const double cpuRatio = extract->cpuSeconds > 0 ? insert->cpuSeconds / extract->cpuSeconds : 0;
            Line(out, {"Insert time / Extract time", Number(ratio, "%.2f×"), "", "", "processor time " + Number(cpuRatio, "%.2f×"),
                       "≤ 2×", smoke ? "—" : (ratio <= 2 ? "yes" : (cpuRatio <= 2 ? "**no** (processor time: yes)" : "**no**"))});
        }
    }

    // The shortest encoding against longest match, on the same job.
    const std::pair<std::string, std::string> shortestCases[] = {
        {"Insert, Regular3, 1 MiB", "Insert/Regular3"},
        {"Check Insert, Regular3, 1 MiB", "CheckInsert/Regular3"},
        {"Insert, Regular3, 1 MiB, table of overlapping words and pairs", "Insert/Overlapping"}};
    bool shortestHeading = false;
    for (const auto& [title, name] : shortestCases) {
        const Measured* longest = results.Find(name);
        const Measured* shortest = results.Find(name + "/shortest");
        if (!longest || !shortest || longest->failed || shortest->failed || longest->seconds <= 0) continue;
        if (!shortestHeading) {
            out << "\n## Shortest encoding\n\n";
            Line(out, {"Case", "Longest match", "--shortest", "Ratio", "Target", "Met"});
            Line(out, {"---", "---:", "---:", "---:", "---", "---"});
            shortestHeading = true;
        }
        const double ratio = shortest->seconds / longest->seconds;
        Line(out, {title, Time(longest->seconds), Time(shortest->seconds), Number(ratio, "%.2f×"),
                   "≤ 1.5×", smoke ? "—" : (ratio <= 1.5 ? "yes" : "**no**")});
    }

    // BPS stores what differs and copies the rest; the bound holds for
    // changes that come in areas, as a translation's do.
    const std::pair<std::string, std::string> patchCases[] = {
        {"Build, 10 jobs: every text area and pointer table rewritten", "Process/build"},
        {"16 MiB images, 1 MiB changed in 16 areas (half moved, half new)", "Process/patch/bps"},
        {"Translation: 4 MiB, 1 MiB of words and 8,192 pointers rewritten", "Process/patch/translation"},
    };
    bool patchHeading = false;
    for (const auto& [title, name] : patchCases) {
        const Measured* m = results.Find(name);
        if (!m || m->failed || !m->counters.contains("differing")) continue;
        if (!patchHeading) {
            out << "\n## Patch sizes\n\n";
            Line(out, {"Case", "Bytes that differ", "BPS patch", "IPS patch", "BPS bound: 1.1 × differing + 1 KiB", "Met"});
            Line(out, {"---", "---:", "---:", "---:", "---:", "---"});
            patchHeading = true;
        }
        const double differing = m->counters.at("differing"), bps = m->counters.at("bps_bytes");
        const double bound = 1.1 * differing + 1024;
        Line(out, {title, Number(differing, "%.0f"), Number(bps, "%.0f"), Number(m->counters.at("ips_bytes"), "%.0f"),
                   Number(bound, "%.0f"), smoke ? "—" : (bps <= bound ? "yes" : "**no**")});
    }
    // On a translation, repeats inside the new text pay: the patch must be
    // no larger than the best delta patcher of the field makes of such a pair.
    if (const Measured* m = results.Find("Process/patch/translation"); m && !m->failed && m->counters.contains("bps_bytes")) {
        const double bps = m->counters.at("bps_bytes");
        out << "\nTranslation pair: BPS patch " << Number(bps, "%.0f") << " bytes (target ≤ 441,280: "
            << (smoke ? "—" : bps <= 441280 ? "yes" : "**no**") << ")";
        if (m->counters.contains("process_cpu_seconds")) {
            const double cpu = m->counters.at("process_cpu_seconds");
            out << "; quorvex-cli patch took " << Time(cpu) << " of processor time, the least of its runs (target ≤ 0.23 s: "
                << (smoke ? "—" : cpu <= 0.23 ? "yes" : "**no**") << ")";
        }
        out << ".\n";
    }

    // Exact counts where times swing: valgrind's callgrind over the whole process.
    const std::pair<std::string, std::string> instructionCases[] = {
        {"Extract, Regular3, 20,000 strings, 5,000-entry table: per byte of text", "Instructions/extract"},
        {"Insert, the same job: per byte of the script file", "Instructions/insert"},
    };
    bool instructionsHeading = false;
    for (const auto& [title, name] : instructionCases) {
        const Measured* m = results.Find(name);
        if (!m || m->failed || !m->counters.contains("per_byte")) continue;
        if (!instructionsHeading) {
            out << "\n## Instructions per byte (valgrind --tool=callgrind, the whole quorvex-cli process)\n\n";
            Line(out, {"Case", "Instructions", "Bytes", "Per byte", "Target", "Met"});
            Line(out, {"---", "---:", "---:", "---:", "---", "---"});
            instructionsHeading = true;
        }
        const double perByte = m->counters.at("per_byte");
        Line(out, {title, Number(m->counters.at("instructions"), "%.0f"), Number(m->counters.at("bytes"), "%.0f"),
                   Number(perByte, "%.1f"), "≤ 60", perByte <= 60 ? "yes" : "**no**"});
    }

    struct Scaling {
        std::string title;
        std::vector<std::string> names;  // the 1× run first, the largest last
        std::vector<std::string> factors;
        double limit;  // greatest allowed growth of the largest over the 1× run; 0: shown only
    };
    const std::vector<Scaling> scalings = {
        {"Extract, strings ×1 ×2 ×4 (16,000-64,000 pointers)", {"Scale/Extract/strings x1", "Scale/Extract/strings x2", "Scale/Extract/strings x4"}, {"1×", "2×", "4×"}, 4.5},
        {"Insert, strings ×1 ×2 ×4", {"Scale/Insert/strings x1", "Scale/Insert/strings x2", "Scale/Insert/strings x4"}, {"1×", "2×", "4×"}, 4.5},
        {"Check Insert, strings ×1 ×2 ×4", {"Scale/CheckInsert/strings x1", "Scale/CheckInsert/strings x2", "Scale/CheckInsert/strings x4"}, {"1×", "2×", "4×"}, 4.5},
        {"Extract, table entries ×1 ×10 (5,000 / 50,000)", {"Scale/Extract/table x1", "Scale/Extract/table x10"}, {"1×", "10×"}, 1.3},
        {"Insert, table entries ×1 ×10", {"Scale/Insert/table x1", "Scale/Insert/table x10"}, {"1×", "10×"}, 1.3},
        {"Check Insert, table entries ×1 ×10", {"Scale/CheckInsert/table x1", "Scale/CheckInsert/table x10"}, {"1×", "10×"}, 1.3},
        {"Table load, entries ×1 ×10 (linear work; the larger index no longer fits the cache)", {"Scale/TableLoad/table x1", "Scale/TableLoad/table x10"}, {"1×", "10×"}, 0},
        {"Extract, ROM ×1 ×4 (4 / 16 MiB)", {"Scale/Extract/rom x1", "Scale/Extract/rom x4"}, {"1×", "4×"}, 4.5},
        {"Insert, ROM ×1 ×4", {"Scale/Insert/rom x1", "Scale/Insert/rom x4"}, {"1×", "4×"}, 4.5},
        {"Extract Scattered2, ROM ×1 ×4 (searched whole)", {"Scale/Extract/Scattered2/rom x1", "Scale/Extract/Scattered2/rom x4"}, {"1×", "4×"}, 4.5},
    };
    out << "\n## Scaling\n\n";
    Line(out, {"Case", "Times", "Growth of the largest", "Target", "Met"});
    Line(out, {"---", "---", "---:", "---", "---"});
    for (const Scaling& scaling : scalings) {
        std::string times;
        std::optional<double> first, last;
        bool complete = true;
        for (std::size_t i = 0; i < scaling.names.size(); ++i) {
            const Measured* m = results.Find(scaling.names[i]);
            if (!m || m->failed) {
                complete = false;
                continue;
            }
            if (!times.empty()) times += ", ";
            times += scaling.factors[i] + " " + Time(m->seconds);
            if (i == 0) first = m->seconds;
            if (i + 1 == scaling.names.size()) last = m->seconds;
        }
        if (times.empty()) continue;
        const double growth = complete && first && last ? *last / *first : 0;
        const std::string target = scaling.limit > 0 ? "≤ " + Number(scaling.limit, "%.1f×") : "—";
        Line(out, {scaling.title, times, growth > 0 ? Number(growth, "%.2f×") : "—", target,
                   smoke || growth == 0 || scaling.limit == 0 ? "—" : (growth <= scaling.limit ? "yes" : "**no**")});
    }
    out << "\nScript MiB/s: the extracted script's size as a UTF-8 file over the time. Ratio: the literal\n"
           "algorithm's time over the engine's, measured in the same process; literal runs that handle a\n"
           "slice of the job are scaled by the number of strings (or blocks) to the whole job.\n";
    if (results.failures() > 0) out << "\n" << results.failures() << " benchmark(s) FAILED.\n";
}

}  // namespace quorvex::bench
