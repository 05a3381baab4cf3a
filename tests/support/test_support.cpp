#include "support/test_support.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <sstream>
#include <stdexcept>

#include "vrbclass/VrbServiceModule.h"

namespace {

std::atomic<std::uint64_t> allocations{0};
std::atomic<std::int64_t> faultCountdown{-1};
std::atomic<bool> faultFired{false};

bool shouldFail() {
    allocations.fetch_add(1, std::memory_order_relaxed);
    std::int64_t left = faultCountdown.load(std::memory_order_relaxed);
    if (left < 0) return false;
    if (left == 0) {
        faultCountdown.store(-1, std::memory_order_relaxed);
        faultFired.store(true, std::memory_order_relaxed);
        return true;
    }
    faultCountdown.store(left - 1, std::memory_order_relaxed);
    return false;
}

void* allocate(std::size_t size) {
    if (shouldFail()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(std::size_t size) {
    void* p = allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) {
    void* p = allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace vrbtest {

TempDir::TempDir() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = base / ("vrbtest-" + std::to_string(random() % 1000000000u));
        // create_directory is false when the name is taken: another try.
        if (std::filesystem::create_directory(candidate)) {
            std::u8string text = candidate.u8string();
            path_.assign(text.begin(), text.end());
            return;
        }
    }
    throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave entries without permissions; give them back first.
    for (auto it = std::filesystem::recursive_directory_iterator(vrbtest::fsPath(path_), ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(vrbtest::fsPath(path_), ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(vrbtest::fsPath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(vrbtest::fsPath(path), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

AllocationCounter::AllocationCounter() : start_(allocations.load()) {}
std::uint64_t AllocationCounter::count() const { return allocations.load() - start_; }

void failAllocationAfter(std::uint64_t skip) {
    faultFired.store(false);
    faultCountdown.store(static_cast<std::int64_t>(skip));
}
void clearAllocationFault() { faultCountdown.store(-1); }
bool allocationFaultFired() { return faultFired.load(); }

LoadedModule::LoadedModule(const char* path) {
    VrbString reason;
    entry_ = vrbFindServiceModule(path, nullptr, &reason);
    if (!entry_) error_ = reason.asCstr();
}

}  // namespace vrbtest
