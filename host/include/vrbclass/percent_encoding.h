// Percent escapes of URIs, shared by the parts that build URIs and paths.
#pragma once

#include <string>
#include <string_view>

// The value of a hexadecimal digit, -1 for any other character.
int vrbHexDigitValue(char c) noexcept;

// `text` with every byte but unreserved characters (and "/" when keepSlash)
// written as %XX: names with spaces, "%", "#", "?", "&" or non-ASCII
// letters stay what they are inside a URI.
std::string vrbPercentEncode(std::string_view text, bool keepSlash);
