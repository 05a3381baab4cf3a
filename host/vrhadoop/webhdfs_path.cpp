#include "webhdfs_path.h"

#include "vrbclass/percent_encoding.h"

namespace vrhadoop {

std::string normalizePath(std::string_view path) {
    std::string normal = "/";
    for (char c : path) {
        if (c == '/' && normal.back() == '/') continue;
        normal += c;
    }
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

bool hasDotComponent(std::string_view path) {
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view component = path.substr(start, end - start);
        if (component == "." || component == "..") return true;
        start = end + 1;
    }
    return false;
}

std::string percentEncode(std::string_view text, bool keepSlash) { return vrbPercentEncode(text, keepSlash); }

}  // namespace vrhadoop
