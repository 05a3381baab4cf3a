// The generic URI grammar: splitting a text into its components and checking
// every character. Views point into the text that was split.
//
// Decisions beyond the grammar itself:
// - A scheme needs two or more characters, so drive-letter paths ("C:\x",
//   "C:/x") are no URIs.
// - Bytes 0x80-0xFF are taken as they come in user information, host names,
//   paths, queries and fragments, as internationalised identifiers allow, so
//   "file:///tmp/café.txt" names "/tmp/café.txt".
// - A "%" that is not followed by two hexadecimal digits makes the whole text
//   no URI, and so does an escape "%00": a decoded NUL would cut a path short
//   and could make it name another file.
// - A port beyond 65535 makes the whole text no URI.
#pragma once

#include <string_view>

#include "vrbclass/VrbString.h"

namespace vrburi {

struct UriSyntaxParts {
    std::string_view scheme;
    bool hasAuthority = false;
    std::string_view authority;   // as written, without "//"
    std::string_view userInfo;    // before "@", as written
    std::string_view host;        // as written; an IP literal keeps its brackets
    int port = -1;                // -1 when the authority names none
    std::string_view path;        // as written (still percent-encoded)
    bool hasQuery = false;
    std::string_view query;       // without "?"
    bool hasFragment = false;
    std::string_view fragment;    // without "#"
};

// True when `text` is a URI by the rules above, with its components in *parts.
bool splitUri(std::string_view text, UriSyntaxParts* parts) noexcept;

// Why splitUri refuses `text`, in words a user can act on ("write a space as
// %20"), with *at the byte offset of the fault (text.size() when the fault is
// no single character). Only meaningful for a text that splitUri refuses.
const char* describeUriFault(std::string_view text, std::size_t* at) noexcept;

// Appends the percent-decoded form of `encoded` (already checked by splitUri)
// to *out; false when memory is short.
bool appendPercentDecoded(std::string_view encoded, VrbString* out) noexcept;

// The raw (still encoded) value of the first parameter of `query` whose
// decoded name equals `name`; parameters are separated by "&" and a name
// ends at "=" (a parameter without "=" has an empty value). False when no
// parameter has that name.
bool findQueryParameter(std::string_view query, std::string_view name, std::string_view* rawValue) noexcept;

// An IPv6 address in text form (RFC 4291 section 2.2), without brackets.
bool isIPv6Address(std::string_view text) noexcept;

}  // namespace vrburi
