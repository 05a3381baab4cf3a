#include "EachLocation.h"

#include <string>

#include "BufferedOutput.h"
#include "ExitStatus.h"
#include "LocationPattern.h"
#include "Messages.h"

namespace vrbio {

int forEachLocation(VrbIO* service, const std::vector<const char*>& operands, BufferedOutput* out,
                    const std::function<bool(const char* location)>& each) {
    bool allDone = true;
    for (const char* operand : operands) {
        std::vector<std::string> locations;
        if (!operandLocations(service, operand, &locations)) {
            allDone = false;
            continue;
        }
        for (const std::string& location : locations) {
            allDone = each(location.c_str()) && allDone;
            // Standard output failing ends every location that follows as well.
            if (!out->error().empty()) return failure("cannot write to standard output: " + out->error());
        }
    }
    return allDone ? kExitSuccess : kExitFailure;
}

}  // namespace vrbio
