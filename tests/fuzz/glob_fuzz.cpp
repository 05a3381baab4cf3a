// Glob patterns from the command line: any pattern against any name must
// answer without fault, and the rules that make a name findable must hold.
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "GlobPattern.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "glob_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    std::string pattern = input.text(64);
    std::string name = input.rest();
    vrbio::GlobPattern(pattern).matches(name);

    std::string escaped = vrbio::GlobPattern::escaped(name);
    check(!vrbio::GlobPattern::hasWildcards(escaped), "an escaped name holds a wildcard");
    check(vrbio::GlobPattern::unescaped(escaped) == name, "unescaping does not give the name back");
    check(vrbio::GlobPattern(escaped).matches(name), "an escaped name does not match itself");
    check(vrbio::GlobPattern("*").matches(name) == (name.empty() || name[0] != '.'),
          "\"*\" does not match exactly the names without a leading dot");
    return 0;
}
