#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvex {

// How a command ended, as the command line reports it in its exit status.
enum class ExitClass : int {
    Ok = 0,      // done (or measured and it fits)
    Failed = 1,  // refused, stopped, a bad or unreadable file: nothing was written
    Usage = 2,   // the request itself is malformed (unknown option value, bad project file)
    Over = 3,    // measured and over the limit; a search with no hits
};

// What kind of news a message is; the dialog picks its icon from it.
enum class Severity {
    Information,  // "Done", what is left over, the text fits
    Warning,      // a refusal, a bad file, a stop
    Critical,     // a file error, out of memory, anything unexpected
};

struct Message {
    Severity severity = Severity::Information;
    std::u16string text;
    friend bool operator==(const Message&, const Message&) = default;
};

// The one result of every user action: what the user is told, in order, and
// how it ended. The front ends only show it: the dialog as message boxes and
// the output box, the command line on stderr / stdout and as the exit status.
struct CommandResult {
    std::vector<Message> messages;
    // The new text of the output box (the script or the report; stdout on the
    // command line). No value: nothing to show, the output box keeps its text.
    std::optional<std::u16string> output;
    ExitClass exit = ExitClass::Ok;

    void Tell(Severity severity, std::u16string_view text) { messages.push_back({severity, std::u16string(text)}); }
    // Adds a message and marks the command as failed.
    CommandResult& Fail(Severity severity, std::u16string_view text, ExitClass exitClass = ExitClass::Failed) {
        Tell(severity, text);
        exit = exitClass;
        return *this;
    }
    [[nodiscard]] bool ok() const noexcept { return exit == ExitClass::Ok; }
};

// Runs one command's body and turns every exception it throws into a message:
// a FileError names the file and the system's reason, std::bad_alloc says the
// memory ran out, anything else says what went wrong. The body's partial
// result is dropped then (nothing it meant to save has been saved).
template <typename Body>
[[nodiscard]] CommandResult Guarded(Body&& body);

// The message of the exception being handled (call inside a catch block).
[[nodiscard]] Message MessageForCurrentException();

template <typename Body>
CommandResult Guarded(Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        CommandResult failed;
        failed.messages.push_back(MessageForCurrentException());
        failed.exit = ExitClass::Failed;
        return failed;
    }
}

}  // namespace quorvex
