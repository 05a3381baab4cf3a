// One path component of a glob: "*" any run of characters, "?" any one,
// "[...]" one of a set ("!" or "^" first negates, "a-z" ranges, "]" first
// is itself), "\" makes the next character plain. A "[" without its "]" is
// a plain "[". A name that starts with "." matches only a pattern that
// starts with a plain ".". Characters are UTF-8 sequences; a byte that
// starts none is a character of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrbio {

class GlobPattern {
public:
    // True when `component` holds a "*", "?" or "[" that is not escaped.
    static bool hasWildcards(std::string_view component);
    // The component with every special character escaped, so that it
    // matches only itself.
    static std::string escaped(std::string_view text);

    // The component with its escapes resolved: what it names when it is
    // no pattern.
    static std::string unescaped(std::string_view component);

    explicit GlobPattern(std::string_view component);

    bool matches(std::string_view name) const;

private:
    enum class Kind { kCharacter, kAnyOne, kAnyRun, kSet };
    struct Range {
        char32_t low;
        char32_t high;
    };
    struct Token {
        Kind kind;
        char32_t character = 0;   // kCharacter
        bool negated = false;     // kSet
        std::size_t firstRange = 0;
        std::size_t rangeCount = 0;
    };

    bool matchesOne(const Token& token, char32_t character) const;

    // The tokens in pattern order; a set's ranges are ranges_[firstRange, +rangeCount).
    std::vector<Token> tokens_;
    std::vector<Range> ranges_;
    bool leadingPlainDot_ = false;
};

// The character at text[*at], advancing *at past it: a whole UTF-8 sequence,
// or one byte, as 0xDC00 + byte, when none starts there.
char32_t nextCharacter(std::string_view text, std::size_t* at);

}  // namespace vrbio
