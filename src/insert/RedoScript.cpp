#include "insert/RedoScript.h"

namespace quorvex {

std::int32_t CommandLengthFromValue(std::int32_t huffTable) {
    if (huffTable < 0x100) return 1;
    if (huffTable < 0x10000) return 2;
    if (huffTable < 0x1000000) return 3;
    return 4;
}

JobSettings RedoJob(const ScriptHeader& header) {
    JobSettings job = header.job;
    job.commandLength = header.hasHuffTable ? CommandLengthFromValue(header.job.huffTable) : 0;
    return job;
}

}  // namespace quorvex
