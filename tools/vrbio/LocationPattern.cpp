#include "LocationPattern.h"

#include <algorithm>
#include <cctype>

#include "GlobPattern.h"
#include "Messages.h"
#include "Owned.h"
#include "Platform.h"
#include "StandardStream.h"
#include "TreeListing.h"
#include "vrbaseio/VrbDirectoryListing.h"
#include "vrbclass/percent_encoding.h"

namespace vrbio {

namespace {

#if defined(_WIN32)
constexpr bool kBackslashSeparates = true;
constexpr char kSeparator = '\\';
#else
constexpr bool kBackslashSeparates = false;
constexpr char kSeparator = '/';
#endif

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Where a URI's query starts: the first "?" followed by "NAME=".
std::size_t queryStart(std::string_view text) {
    for (std::size_t at = text.find('?'); at != std::string_view::npos; at = text.find('?', at + 1)) {
        std::size_t name = at + 1;
        while (name < text.size() && (std::isalnum(static_cast<unsigned char>(text[name])) || text[name] == '_'))
            ++name;
        if (name > at + 1 && name < text.size() && text[name] == '=') return at;
    }
    return text.size();
}

// A URI path component as a glob: escapes decoded, the characters they
// stood for plain.
std::string uriComponentPattern(std::string_view component) {
    std::string pattern;
    for (std::size_t i = 0; i < component.size(); ++i) {
        int high = i + 2 < component.size() && component[i] == '%' ? vrbHexDigitValue(component[i + 1]) : -1;
        int low = high >= 0 ? vrbHexDigitValue(component[i + 2]) : -1;
        if (low >= 0) {
            pattern += GlobPattern::escaped(std::string(1, static_cast<char>(high * 16 + low)));
            i += 2;
        } else {
            pattern += component[i];
        }
    }
    return pattern;
}

bool isSeparator(char c) { return c == '/' || (kBackslashSeparates && c == '\\'); }

bool isUri(std::string_view location) {
    return startsWithNoCase(location, "hadoop:") || startsWithNoCase(location, "file:");
}

}  // namespace

LocationPattern::LocationPattern(const char* location) {
    std::string_view text = location;
    std::string_view path = text;
    uri_ = isUri(text);
    if (uri_) {
        std::size_t query = queryStart(text);
        query_ = std::string(text.substr(query));
        text = text.substr(0, query);
        std::size_t pathStart = text.find(':') + 1;
        if (text.substr(pathStart, 2) == "//") pathStart = text.find('/', pathStart + 2);
        if (pathStart == std::string_view::npos) pathStart = text.size();
        root_ = std::string(text.substr(0, pathStart));
        path = text.substr(pathStart);
    } else if (kBackslashSeparates && path.size() >= 2 && path[1] == ':') {
        root_ = std::string(path.substr(0, 2));
        path = path.substr(2);
    }
    // A URI's path is separated by "/" alone, on Windows too.
    auto separates = [this](char c) { return c == '/' || (!uri_ && isSeparator(c)); };
    if (!path.empty() && separates(path[0])) {
        root_ += path[0];
        path = path.substr(1);
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !separates(path[end])) ++end;
        // Empty components ("a//b", a final "/") name nothing of their own.
        if (end > start) components_.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    firstWildcard_ = components_.size();
    for (std::size_t i = 0; i < components_.size(); ++i) {
        patterns_.push_back(uri_ ? uriComponentPattern(components_[i]) : components_[i]);
        // An escape makes a pattern as well, as for glob(3): what it names is
        // found by listing (a URI cannot hold the "\" itself).
        bool escapes = (uri_ || !kBackslashSeparates) && components_[i].find('\\') != std::string::npos;
        if (firstWildcard_ == components_.size() && (escapes || GlobPattern::hasWildcards(patterns_.back())))
            firstWildcard_ = i;
    }
}

std::string LocationPattern::base() const {
    std::string path = root_;
    for (std::size_t i = 0; i < firstWildcard_; ++i) {
        if (i > 0) path += uri_ ? '/' : kSeparator;
        // A plain path's escapes are the glob's, not the file system's.
        path += uri_ || kBackslashSeparates ? components_[i] : GlobPattern::unescaped(components_[i]);
    }
    if (uri_) return (path.size() == root_.size() && path.back() != '/' ? path + "/" : path) + query_;
    return path.empty() ? "." : path;
}

std::string childLocation(const std::string& directory, const std::string& name) {
    if (!isUri(directory)) {
        bool needsSeparator = !directory.empty() && !isSeparator(directory.back()) &&
                              !(kBackslashSeparates && directory.back() == ':');
        return directory + (needsSeparator ? std::string(1, kSeparator) : std::string()) + name;
    }
    std::size_t query = queryStart(directory);
    std::string path = directory.substr(0, query);
    if (path.back() != '/') path += '/';
    return path + vrbPercentEncode(name, false) + directory.substr(query);
}

std::vector<PatternMatch> LocationPattern::expand(VrbIO* service, std::string* baseError) const {
    std::vector<PatternMatch> candidates(1);
    candidates[0].location = base();
    candidates[0].isDirectory = true;
    for (std::size_t i = firstWildcard_; i < components_.size(); ++i) {
        const bool last = i + 1 == components_.size();
        GlobPattern pattern(patterns_[i]);
        std::vector<PatternMatch> next;
        for (const PatternMatch& directory : candidates) {
            VrbString error;
            Owned<VrbDirectoryListing> listing(
                service->openDirectory(VrbString(directory.location.c_str(), false), 0, &error));
            if (!listing) {
                if (i == firstWildcard_) *baseError = error.asCstr();
                continue;
            }
            while (listing->next()) {
                std::string name = listing->name().asCstr();
                if (!pattern.matches(name)) continue;
                PatternMatch match;
                match.isDirectory = listing->isDirectory();
                if (!last && !match.isDirectory) continue;
                match.location =
                    childLocation(directory.location == "." && !uri_ ? std::string() : directory.location, name);
                match.name = directory.name.empty() ? name
                                                    : listing->concatPath(VrbString(directory.name.c_str(), false),
                                                                          VrbString(name.c_str(), false))
                                                          .asCstr();
                if (last) {
                    match.row = entryRow(listing.get(), match.name);
                    match.isLink = match.isDirectory && !uri_ && isSymbolicLink(match.location);
                }
                next.push_back(std::move(match));
            }
        }
        candidates = std::move(next);
    }
    std::sort(candidates.begin(), candidates.end(),
              [](const PatternMatch& a, const PatternMatch& b) { return a.name < b.name; });
    return candidates;
}

bool reportNoMatch(const char* operand, const std::string& baseError) {
    failure("no match for '" + shownLocation(operand) + "'" + (baseError.empty() ? "" : ": " + baseError));
    return false;
}

bool operandLocations(VrbIO* service, const char* operand, std::vector<std::string>* locations) {
    LocationPattern pattern(operand);
    if (isStandardStream(operand) || !pattern.isPattern()) {
        locations->push_back(operand);
        return true;
    }
    std::string baseError;
    std::vector<PatternMatch> matches = pattern.expand(service, &baseError);
    if (matches.empty()) return reportNoMatch(operand, baseError);
    for (PatternMatch& match : matches) locations->push_back(std::move(match.location));
    return true;
}

}  // namespace vrbio
