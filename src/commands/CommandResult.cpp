#include "commands/CommandResult.h"

#include "job/Messages.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include <exception>
#include <new>

namespace quorvex {

Message MessageForCurrentException() {
    try {
        throw;
    } catch (const FileError& error) {
        return {Severity::Critical, messages::FileErrorMessage(error.path(), error.reason())};
    } catch (const std::bad_alloc&) {
        return {Severity::Critical, std::u16string(messages::kOutOfMemory)};
    } catch (const std::exception& error) {
        return {Severity::Critical, messages::Unexpected(FromUtf8(error.what()))};
    } catch (...) {
        return {Severity::Critical, messages::Unexpected(u"unknown error")};
    }
}

}  // namespace quorvex
