#include "StandardStream.h"

#include <cstring>

#include "vrbclass/VrbTxtFile.h"

#if defined(_WIN32)
#include "Windows/standard_stream.inc"
#else
#include "Unix/standard_stream.inc"
#endif

namespace vrbio {

bool isStandardStream(const char* location) { return std::strcmp(location, "-") == 0; }

}  // namespace vrbio
