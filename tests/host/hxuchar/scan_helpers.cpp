#include "scan_helpers.h"

#include <cstring>
#include <memory>

#include "hx/hx_uchar.h"

namespace hxuchartest {

std::ostream& operator<<(std::ostream& out, const Scanned& scanned) {
    return out << "{code " << scanned.code << ", length " << scanned.length << "}";
}

namespace {

std::vector<Scanned> scan(int id, const std::string& data, bool all) {
    // An unknown id has no size; one zero byte still follows the data.
    int largest = hx_uchar_chsize_max(id);
    std::size_t padding = static_cast<std::size_t>(largest > 1 ? largest - 1 : 1);
    std::size_t size = data.size() + padding;
    std::unique_ptr<char[]> buffer(new char[size == 0 ? 1 : size]());
    std::memcpy(buffer.get(), data.data(), data.size());
    std::vector<Scanned> result;
    std::size_t position = 0;
    do {
        Scanned scanned{0, 0};
        scanned.code = hx_uchar_chscan(id, buffer.get() + position, &scanned.length);
        result.push_back(scanned);
        if (scanned.length < 1) break;
        position += static_cast<std::size_t>(scanned.length);
    } while (all && position < data.size());
    return result;
}

}  // namespace

Scanned scanOne(int id, const std::string& data) {
    return scan(id, data, false).front();
}

std::vector<Scanned> scanAll(int id, const std::string& data) {
    return scan(id, data, true);
}

std::string encodeCodePoint(int id, int cp) {
    char internal[16] = {};
    hx_uchar_intcopy(cp, internal, sizeof internal - 1);
    char encoded[16];
    int length = hx_uchar_decode(id, internal, encoded, sizeof encoded);
    return std::string(encoded, static_cast<std::size_t>(length));
}

std::string bytes(std::initializer_list<int> values) {
    std::string result;
    for (int value : values) result.push_back(static_cast<char>(value));
    return result;
}

}  // namespace hxuchartest
