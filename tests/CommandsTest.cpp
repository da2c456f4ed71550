#include "commands/CommandResult.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace quorvex {
namespace {

TEST(CommandsTest, EveryExceptionBecomesAMessageAndFailure) {
    const CommandResult outOfMemory = Guarded([]() -> CommandResult { throw std::bad_alloc(); });
    EXPECT_EQ(outOfMemory.exit, ExitClass::Failed);
    ASSERT_EQ(outOfMemory.messages.size(), 1u);
    EXPECT_EQ(outOfMemory.messages[0].text, u"Out of memory: the command was stopped and nothing was written.");
    EXPECT_EQ(outOfMemory.messages[0].severity, Severity::Critical);

    const CommandResult unexpected = Guarded([]() -> CommandResult { throw std::runtime_error("bad converter"); });
    EXPECT_EQ(unexpected.exit, ExitClass::Failed);
    ASSERT_EQ(unexpected.messages.size(), 1u);
    EXPECT_EQ(unexpected.messages[0].text,
              u"Something went wrong (bad converter): the command was stopped and nothing was written.");
}

}  // namespace
}  // namespace quorvex
