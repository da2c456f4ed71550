#pragma once
#include "job/JobSettings.h"
#include "job/Script.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::test {

// The numbers of a job, as a script header records them.
[[nodiscard]] inline JobSettings Job(std::int32_t tableStart, std::int32_t tableEnd, std::int32_t textStart,
                                     std::int32_t textEnd, std::int32_t xOffset = 0, std::int32_t huffTable = 0,
                                     std::int32_t commandLength = 0) {
    return {tableStart, tableEnd, textStart, textEnd, xOffset, huffTable, commandLength, std::nullopt};
}

// Body lines, each ended by CR LF.
[[nodiscard]] std::u16string Lines(std::initializer_list<std::u16string_view> lines);

// A whole script: the header Extract would write, then the body.
[[nodiscard]] inline std::u16string Script(const JobSettings& job, TableType tableType, TextType textType,
                                           std::u16string_view body) {
    return WriteScriptHeader(job, tableType, textType) + std::u16string(body);
}

// The part of a script after its dash line, or "<no body>".
[[nodiscard]] std::u16string Body(std::u16string_view script);

// The lines of a text split at CR LF; what follows the last CR LF is dropped.
[[nodiscard]] std::vector<std::u16string> SplitLines(std::u16string_view text);

// Root may write any file; checks of refused writes run as someone who may not.
// Switches the effective user to nobody for the guard's lifetime (when root).
class AsUnprivilegedUser {
public:
    AsUnprivilegedUser();
    ~AsUnprivilegedUser();
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

private:
    bool m_wasRoot;
};

}  // namespace quorvex::test
