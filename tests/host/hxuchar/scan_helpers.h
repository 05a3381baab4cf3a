// Driving the character-set layer the way the text layer does.
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace hxuchartest {

struct Scanned {
    int code;
    int length;
    bool operator==(const Scanned&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Scanned& scanned);

// The first character of `data` in encoding `id`, scanned with exactly
// chsize_max - 1 zero bytes after the data, so that a scan reaching
// further trips the address sanitizer.
Scanned scanOne(int id, const std::string& data);
// Every character of `data` in turn, each scan stepping by the length the
// previous one stored.
std::vector<Scanned> scanAll(int id, const std::string& data);

// One code point in encoding `id`, through the internal form as the writing
// engine makes it.
std::string encodeCodePoint(int id, int cp);

std::string bytes(std::initializer_list<int> values);

}  // namespace hxuchartest
