// Secrets that locations may carry in their query, kept out of every message.
#pragma once

#include <string_view>

#include "vrbclass/VrbString.h"

namespace vrbmessage {

// Appends `text` to *out with the value of every secret parameter
// ("delegation=...", "principal=..."; the name in any letter case, plain or
// percent-encoded)
// replaced by "***", and so the user information of a proxy URL
// ("proxy=http://***@gate:3128"), written plainly or percent-encoded
// ("proxy=http%3A%2F%2F***%40gate%3A3128"). A parameter starts the text or follows "?", "&" or ";";
// its value ends at "&", ";", "#", white space or a quote. Sets *failed
// when memory is short.
void appendMasked(std::string_view text, VrbString* out, bool* failed) noexcept;

}  // namespace vrbmessage
