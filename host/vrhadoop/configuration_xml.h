// The properties of one Hadoop configuration file (core-site.xml,
// hdfs-site.xml): <configuration> holding <property> elements with <name>,
// <value> and <final> children, or the same three as attributes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrhadoop {

struct ConfigurationProperty {
    std::string name;    // trimmed, as the Java client keeps it
    std::string value;   // as written; ${...} is expanded when read, not here
    bool hasValue = false;   // without a <value> the property sets nothing (it may still be final)
    bool final = false;  // later files may not override it
    long line = 0;       // where the <property> starts, for messages
};

// Appends the file's properties in file order to *properties. False with
// *error ("FILE:LINE: reason") for text that is no well-formed XML, a root
// that is not <configuration>, and XInclude, which the configuration reader
// does not follow. A property without a name is skipped, as the Java
// client skips it.
bool readConfigurationXml(std::string_view text, const std::string& fileName,
                          std::vector<ConfigurationProperty>* properties, std::string* error);

}  // namespace vrhadoop
