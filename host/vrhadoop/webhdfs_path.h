// Paths and parameter values on the wire.
#pragma once

#include <string>
#include <string_view>

namespace vrhadoop {

// A path as WebHDFS takes it: absolute, without empty components (runs of
// "/" are one) and without a trailing "/"; "" and "/" are the root.
std::string normalizePath(std::string_view path);

// Whether a component of `path` is "." or "..". HDFS has no such names, and
// an HTTP stack would resolve them in the URL and reach other pages of the
// NameNode's web server.
bool hasDotComponent(std::string_view path);

// `text` with every byte but unreserved characters (and "/" when keepSlash)
// written as %XX: names with spaces, "%", "#", "?", "&" or non-ASCII
// letters reach the server as they are.
std::string percentEncode(std::string_view text, bool keepSlash);

}  // namespace vrhadoop
