#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"

#ifdef VRB_HAVE_HADOOP_CONFIGURATION
#include "nameservice_resolution.h"
#include "process_configuration.h"
#endif

namespace vrbio {

// The same directory and the same reading as the module's own: what this
// prints is what hadoop: URIs of this environment go by.
int runConfig(int count, char* const* arguments) {
    if (count > 0) return usageError("config", "unexpected operand '" + std::string(arguments[0]) + "'");
#ifndef VRB_HAVE_HADOOP_CONFIGURATION
    return failure("this vrbio is built without the Hadoop backend: no Hadoop configuration is read");
#else
    const char* named = std::getenv("HADOOP_CONF_DIR");
    std::string directory = vrhadoop::configurationDirectory();
    if (directory.empty()) {
        std::printf("Hadoop configuration: none (%s)\n",
                    named && *named ? "HADOOP_CONF_DIR names no directory"
#ifdef _WIN32
                                    : "HADOOP_CONF_DIR is not set");
#else
                                    : "HADOOP_CONF_DIR is not set and /etc/hadoop/conf does not exist");
#endif
        return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
    }
    std::printf("Hadoop configuration: %s%s\n", directory.c_str(),
                named && *named ? " (HADOOP_CONF_DIR)" : "");
    vrhadoop::LoadedConfiguration loaded = vrhadoop::loadConfiguration(directory);
    if (!loaded.error.empty()) {
        std::fflush(stdout);
        return failure(loaded.error);
    }
    for (const std::string& name : vrhadoop::honouredProperties(loaded.configuration)) {
        std::optional<std::string> value;
        std::string error;
        if (!loaded.configuration.get(name, &value, &error)) {
            std::fflush(stdout);
            return failure(error);
        }
        std::printf("%s=%s\t%s\n", name.c_str(), value.value_or("").c_str(),
                    loaded.configuration.origin(name).c_str());
    }
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
#endif
}

}  // namespace vrbio
