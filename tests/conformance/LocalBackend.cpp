#include <chrono>
#include <filesystem>

#include "Backend.h"
#include "support/test_support.h"

namespace {

class LocalBackend final : public Backend {
public:
    const char* name() const override { return "local"; }
    std::string location(const std::string& relative) const override { return dir.file(relative); }
    // The layer writes the system's separator between directory and entry.
    std::string listedPath(const std::string& relative) const override {
        std::string path = dir.file(relative);
        for (char& c : path)
            if (c == '/') c = vrbtest::kPathSeparator;
        return path;
    }
    void writeBytes(const std::string& relative, const std::string& bytes) override {
        vrbtest::writeFile(dir.file(relative), bytes);
    }
    std::string readBytes(const std::string& relative) override { return vrbtest::readFile(dir.file(relative)); }
    void makeDirectory(const std::string& relative) override {
        std::filesystem::create_directories(dir.file(relative));
    }
    void removeTree(const std::string& relative) override { std::filesystem::remove_all(dir.file(relative)); }

    // The length makes a sparse file.
    bool stageLengthAndTime(const std::string& relative, std::int64_t length, std::int64_t seconds) override {
        using namespace std::chrono;
        const std::filesystem::path path = vrbtest::fsPath(dir.file(relative));
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(length));
        std::filesystem::last_write_time(path, file_clock::from_sys(sys_seconds(std::chrono::seconds(seconds))));
        return true;
    }
    int listingPageSize() const override { return 0; }

private:
    vrbtest::TempDir dir;
};

}  // namespace

std::unique_ptr<Backend> makeLocalBackend() { return std::make_unique<LocalBackend>(); }
