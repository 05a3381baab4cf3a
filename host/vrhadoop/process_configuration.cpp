#include "process_configuration.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "nameservice_resolution.h"

namespace vrhadoop {
namespace {

// Platform half: whether a directory exists, and the usual configuration
// directory (null where there is none).
bool directoryExists(const std::string& path);
const char* usualConfigurationDirectory();

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// False with *error when the file exists but cannot be read; *missing
// says whether it does not exist.
bool readWholeFile(const std::string& path, std::string* text, bool* missing, std::string* error) {
    *missing = false;
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (errno == ENOENT) {
            *missing = true;
            return true;
        }
        *error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    char piece[8192];
    std::size_t count;
    while ((count = std::fread(piece, 1, sizeof piece, file.get())) > 0) text->append(piece, count);
    if (std::ferror(file.get())) {
        *error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace
}  // namespace vrhadoop

#ifdef _WIN32
#include "Windows/process_configuration.inc"
#else
#include "Unix/process_configuration.inc"
#endif

namespace vrhadoop {

std::string configurationDirectory() {
    const char* named = std::getenv("HADOOP_CONF_DIR");
    if (named && *named) return directoryExists(named) ? std::string(named) : std::string();
    const char* usual = usualConfigurationDirectory();
    return usual && directoryExists(usual) ? std::string(usual) : std::string();
}

LoadedConfiguration loadConfiguration(const std::string& directory) {
    LoadedConfiguration loaded{!directory.empty(), ClusterConfiguration(directory), {}};
    if (directory.empty()) return loaded;
    std::string separator = directory.back() == '/' || directory.back() == '\\' ? "" : "/";
    for (const char* name : {"core-site.xml", "hdfs-site.xml"}) {
        std::string path = directory + separator + name;
        std::string text;
        bool missing = false;
        if (!readWholeFile(path, &text, &missing, &loaded.error)) break;
        if (!missing && !loaded.configuration.addFile(text, path, &loaded.error)) break;
    }
    return loaded;
}

const LoadedConfiguration& processConfiguration() {
    static const LoadedConfiguration loaded = loadConfiguration(configurationDirectory());
    return loaded;
}

bool resolveWithProcessConfiguration(std::string* uriText, std::string* error) {
    if (!mayNameNameservice(*uriText)) return true;
    const LoadedConfiguration& loaded = processConfiguration();
    if (!loaded.found) return true;
    if (!loaded.error.empty()) {
        *error = "Hadoop configuration: " + loaded.error;
        return false;
    }
    return resolveNameservice(loaded.configuration, uriText, error);
}

}  // namespace vrhadoop
