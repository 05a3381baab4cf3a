#include "GlobPattern.h"

namespace vrbio {

namespace {

constexpr char32_t kStrayByteBase = 0xDC00;

bool isSpecial(char c) { return c == '*' || c == '?' || c == '[' || c == ']' || c == '\\'; }

}  // namespace

char32_t nextCharacter(std::string_view text, std::size_t* at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(*at);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 1 || length == 0 || *at + length > text.size()) {
        ++*at;
        return length == 1 ? lead : kStrayByteBase + lead;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = byte(*at + i);
        if ((next & 0xC0) != 0x80) {
            ++*at;
            return kStrayByteBase + lead;
        }
        value = (value << 6) | (next & 0x3F);
    }
    *at += length;
    return value;
}

bool GlobPattern::hasWildcards(std::string_view component) {
    for (std::size_t i = 0; i < component.size(); ++i) {
        char c = component[i];
        if (c == '\\') ++i;
        else if (c == '*' || c == '?' || c == '[') return true;
    }
    return false;
}

std::string GlobPattern::escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (isSpecial(c)) out += '\\';
        out += c;
    }
    return out;
}

std::string GlobPattern::unescaped(std::string_view component) {
    std::string out;
    for (std::size_t i = 0; i < component.size(); ++i) {
        if (component[i] == '\\' && i + 1 < component.size()) ++i;
        out += component[i];
    }
    return out;
}

GlobPattern::GlobPattern(std::string_view component) {
    std::size_t at = 0;
    leadingPlainDot_ = !component.empty() && (component[0] == '.' || (component.size() > 1 && component[0] == '\\' &&
                                                                      component[1] == '.'));
    while (at < component.size()) {
        char c = component[at];
        if (c == '*') {
            ++at;
            // Runs of "*" match what one does.
            if (tokens_.empty() || tokens_.back().kind != Kind::kAnyRun) tokens_.push_back({Kind::kAnyRun});
            continue;
        }
        if (c == '?') {
            ++at;
            tokens_.push_back({Kind::kAnyOne});
            continue;
        }
        if (c == '[') {
            // A set ends at the first "]" after its first member.
            std::size_t scan = at + 1;
            Token set{Kind::kSet};
            if (scan < component.size() && (component[scan] == '!' || component[scan] == '^')) {
                set.negated = true;
                ++scan;
            }
            set.firstRange = ranges_.size();
            bool first = true;
            bool closed = false;
            while (scan < component.size()) {
                if (component[scan] == ']' && !first) {
                    closed = true;
                    ++scan;
                    break;
                }
                first = false;
                if (component[scan] == '\\' && scan + 1 < component.size()) ++scan;
                char32_t low = nextCharacter(component, &scan);
                char32_t high = low;
                if (scan + 1 < component.size() && component[scan] == '-' && component[scan + 1] != ']') {
                    ++scan;
                    if (component[scan] == '\\' && scan + 1 < component.size()) ++scan;
                    high = nextCharacter(component, &scan);
                }
                ranges_.push_back({low, high});
            }
            if (closed) {
                set.rangeCount = ranges_.size() - set.firstRange;
                tokens_.push_back(set);
                at = scan;
                continue;
            }
            ranges_.resize(set.firstRange);
            ++at;
            tokens_.push_back({Kind::kCharacter, U'['});
            continue;
        }
        if (c == '\\' && at + 1 < component.size()) ++at;
        tokens_.push_back({Kind::kCharacter, nextCharacter(component, &at)});
    }
}

bool GlobPattern::matchesOne(const Token& token, char32_t character) const {
    switch (token.kind) {
        case Kind::kCharacter: return token.character == character;
        case Kind::kAnyOne: return true;
        case Kind::kSet: {
            bool inSet = false;
            for (std::size_t i = 0; i < token.rangeCount && !inSet; ++i) {
                const Range& range = ranges_[token.firstRange + i];
                inSet = range.low <= character && character <= range.high;
            }
            return inSet != token.negated;
        }
        case Kind::kAnyRun: break;
    }
    return false;
}

bool GlobPattern::matches(std::string_view name) const {
    if (!name.empty() && name[0] == '.' && !leadingPlainDot_) return false;
    // Backtracking to the last "*" alone suffices: a later "*" can take
    // whatever an earlier one would have.
    std::size_t token = 0;
    std::size_t at = 0;
    std::size_t starToken = tokens_.size();
    std::size_t starAt = 0;
    while (at < name.size() || token < tokens_.size()) {
        if (token < tokens_.size()) {
            const Token& current = tokens_[token];
            if (current.kind == Kind::kAnyRun) {
                starToken = token++;
                starAt = at;
                continue;
            }
            if (at < name.size()) {
                std::size_t next = at;
                if (matchesOne(current, nextCharacter(name, &next))) {
                    ++token;
                    at = next;
                    continue;
                }
            }
        }
        if (starToken == tokens_.size() || starAt >= name.size()) return false;
        // The last "*" takes one character more.
        nextCharacter(name, &starAt);
        token = starToken + 1;
        at = starAt;
    }
    return true;
}

}  // namespace vrbio
