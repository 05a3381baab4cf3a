// Helpers shared by the test suites.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vrbtest {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

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
