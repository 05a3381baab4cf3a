// The vrbio commands. Each takes the arguments after its name and returns
// the exit status.
#pragma once

namespace vrbio {

int runEncodings(int count, char* const* arguments);
int runCat(int count, char* const* arguments);
int runConvert(int count, char* const* arguments);
int runList(int count, char* const* arguments);
// vrbio --version: the release, and the module that loads with its path.
int runVersion(int count, char* const* arguments);

}  // namespace vrbio
