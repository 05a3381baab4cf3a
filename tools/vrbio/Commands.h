// The vrbio commands. Each takes the arguments after its name and returns
// the exit status.
#pragma once

namespace vrbio {

int runEncodings(int count, char* const* arguments);
int runCat(int count, char* const* arguments);
int runConvert(int count, char* const* arguments);
int runList(int count, char* const* arguments);

}  // namespace vrbio
