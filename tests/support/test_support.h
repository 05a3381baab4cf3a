// Helpers shared by the test suites.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "support/platform.h"

namespace vrbtest {

// A UTF-8 path as the standard library's path, whatever the system's code page.
inline std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes. Paths are UTF-8.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + kPathSeparator + name; }

private:
    std::string path_;
};

// A file URI for a local path (ASCII, no characters a URI must escape): on
// Windows "file:///C:/dir/x", elsewhere "file:///dir/x".
inline std::string fileUri(const std::string& path, const std::string& host = "") {
    std::string uriPath = path;
    for (char& c : uriPath)
        if (c == kPathSeparator) c = '/';
    return "file://" + host + (uriPath.front() == '/' ? "" : "/") + uriPath;
}

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// Allocation faults and counts. Every global operator new of the test binary
// goes through these counters; the library's no-throw allocations then yield
// null when a fault is armed.
struct AllocationCounter {
    AllocationCounter();
    std::uint64_t count() const;   // allocations since construction
private:
    std::uint64_t start_;
};

// The next `skip` allocations succeed; the one after them fails (once).
void failAllocationAfter(std::uint64_t skip);
// Disarms any pending fault.
void clearAllocationFault();
// True when an armed fault has fired since it was armed.
bool allocationFaultFired();

}  // namespace vrbtest
