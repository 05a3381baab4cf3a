// A location whose path holds glob wildcards ("*", "?", "[...]" in any
// component; GlobPattern.h), expanded by listing the directories it passes,
// for plain paths and URIs alike. In a URI the path is percent-encoded: an
// escaped "%2A", "%3F" or "%5B" is a plain character, and the query starts
// at the first "?" that a parameter ("NAME=") follows, so that an earlier
// "?" is a wildcard.
#pragma once

#include <string>
#include <vector>

#include "vrbaseio/VrbIO.h"

namespace vrbio {

struct PatternMatch {
    std::string location;   // what the module opens
    std::string name;       // the path below the pattern's fixed part, with the listing's separator
    std::string row;        // the ls row of the match, named by `name`
    bool isDirectory = false;
    bool isLink = false;    // a link: listed, never descended into
};

class LocationPattern {
public:
    explicit LocationPattern(const char* location);

    // True when some component holds a wildcard or an escape ("\", where
    // it is no separator).
    bool isPattern() const { return firstWildcard_ < components_.size(); }
    // The matches, sorted by name in byte order, as glob(3) without
    // GLOB_PERIOD finds them; directories that cannot be listed hold no
    // matches. Nothing matched gives none, and *baseError the reason when
    // the fixed part itself could not be listed (a cluster out of reach).
    std::vector<PatternMatch> expand(VrbIO* service, std::string* baseError) const;

private:
    // The fixed part before the first wildcard, as a directory location.
    std::string base() const;

    bool uri_ = false;
    std::string root_;                     // "scheme://authority", "/", a drive, or empty
    std::vector<std::string> components_;  // as written (a URI's still encoded)
    std::vector<std::string> patterns_;    // each component as a GlobPattern
    std::string query_;                    // "?..." or empty
    std::size_t firstWildcard_ = 0;
};

// The location of `name` in the directory at `directory`: a path joined
// with the platform's separator, or in a URI the name percent-encoded at the
// end of the path, before the query.
std::string childLocation(const std::string& directory, const std::string& name);

// Reports "no match for 'PATTERN'", with the fixed part's reason when it
// could not be listed; returns false.
bool reportNoMatch(const char* operand, const std::string& baseError);

// The locations an operand names: itself ("-" too), or a pattern's matches.
// False, with "no match for 'PATTERN'" reported, when nothing matched.
bool operandLocations(VrbIO* service, const char* operand, std::vector<std::string>* locations);

}  // namespace vrbio
