#include "job/JobAreas.h"

#include <algorithm>

namespace quorvex {

std::vector<ClaimedArea> AreasOf(const ScriptHeader& header, std::size_t job, std::u16string_view owner) {
    std::vector<ClaimedArea> areas;
    const auto add = [&](bool isTable, std::int64_t first, std::int64_t last) {
        if (first <= last) areas.push_back({job, isTable, first, last, std::u16string(owner)});
    };
    if (TablePresent(header.job) && !IsScattered(header.tableType))
        add(true, header.job.tableStart, header.job.tableEnd);
    add(false, header.job.textStart, header.job.textEnd);
    return areas;
}

std::optional<AreaClash> FindClash(std::span<const ClaimedArea> areas) {
    for (std::size_t i = 0; i < areas.size(); ++i)
        for (std::size_t k = i + 1; k < areas.size(); ++k) {
            const ClaimedArea& a = areas[i];
            const ClaimedArea& b = areas[k];
            const std::int64_t first = std::max(a.first, b.first);
            const std::int64_t last = std::min(a.last, b.last);
            if (a.job != b.job && first <= last) return AreaClash{a, b, first, last};
        }
    return std::nullopt;
}

const ClaimedArea* AreaAt(std::span<const ClaimedArea> areas, std::int64_t offset) {
    for (const ClaimedArea& area : areas)
        if (offset >= area.first && offset <= area.last) return &area;
    return nullptr;
}

}  // namespace quorvex
