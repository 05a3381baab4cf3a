// The loop of the commands that take LOCATION...: every location the
// operands name, in order, onto standard output.
#pragma once

#include <functional>
#include <vector>

#include "vrbaseio/VrbIO.h"

namespace vrbio {

class BufferedOutput;

// Calls `each` for every location of `operands` (a pattern's matches in
// turn). Returns the exit status: success when every call succeeded, failure
// when one failed or a pattern matched nothing; standard output failing
// ends the loop at once, reported.
int forEachLocation(VrbIO* service, const std::vector<const char*>& operands, BufferedOutput* out,
                    const std::function<bool(const char* location)>& each);

}  // namespace vrbio
