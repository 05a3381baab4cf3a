#include "Platform.h"

#include <cerrno>
#include <cstring>

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrbio {

bool commandArguments(int argc, char** argv, std::vector<std::string>* arguments) {
    arguments->assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    return true;
}

void prepareStandardStreams() {}

bool writeAll(int descriptor, const char* data, std::size_t length, std::string* error) {
    while (length > 0) {
        ssize_t written = write(descriptor, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            *error = std::strerror(errno);
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void setBinaryOutput(int) {}

bool isTerminal(int descriptor) { return isatty(descriptor) == 1; }

bool sameExistingFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (stat(first.c_str(), &a) != 0 || stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace vrbio
