// Where the Hadoop client configuration comes from, and the one copy that
// a process reads.
#pragma once

#include <string>

#include "ClusterConfiguration.h"

namespace vrhadoop {

struct LoadedConfiguration {
    bool found = false;                  // a configuration directory exists
    ClusterConfiguration configuration;  // its core-site.xml and hdfs-site.xml
    std::string error;                   // why a file could not be used; empty when all could
};

// HADOOP_CONF_DIR when it is set, else the platform's usual place
// (/etc/hadoop/conf; Windows has none); empty when neither names a
// directory that exists.
std::string configurationDirectory();

// core-site.xml, then hdfs-site.xml, of `directory`; a file that does not
// exist is left out, one that cannot be read or parsed is an error.
LoadedConfiguration loadConfiguration(const std::string& directory);

// The configuration of configurationDirectory(), read at the first call.
const LoadedConfiguration& processConfiguration();

// resolveNameservice() with processConfiguration(), for a URI that may need
// it; false with *error also when a configuration file is unusable.
bool resolveWithProcessConfiguration(std::string* uriText, std::string* error);

}  // namespace vrhadoop
