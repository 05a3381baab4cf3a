// The peer of the reading benchmarks: a file converted to UTF-8 by
// iconv(3), a megabyte at a time, the output dropped.
#pragma once

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline void iconvFileToUtf8(const std::string& path, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> in(1 << 20), out(4 << 20);
    ssize_t n;
    std::size_t carry = 0;
    while ((n = ::read(fd, in.data() + carry, in.size() - carry)) > 0) {
        char* src = in.data();
        std::size_t left = carry + static_cast<std::size_t>(n);
        char* dst = out.data();
        std::size_t room = out.size();
        iconv(cd, &src, &left, &dst, &room);
        std::memmove(in.data(), src, left);
        carry = left;
    }
    ::close(fd);
    iconv_close(cd);
}

}  // namespace bench
