// A Hadoop client configuration as the Java client sees it: the properties
// of core-site.xml, then hdfs-site.xml, where a later definition replaces
// an earlier one unless that was marked final, and ${...} in a value is
// expanded when the value is read.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vrhadoop {

class ClusterConfiguration {
public:
    // The environment variables that ${env.NAME} reads; the process
    // environment by default.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    explicit ClusterConfiguration(std::string directory = {}, Environment environment = {});

    // Adds the properties of one file's text; false with *error naming the
    // file and line when the text is malformed.
    bool addFile(std::string_view text, const std::string& fileName, std::string* error);

    // The value of `name` with ${...} expanded as the Java client expands
    // it: ${env.NAME}, ${env.NAME:-DEFAULT} and ${env.NAME-DEFAULT} from the
    // environment, ${user.name} and ${user.home} from the process, anything
    // else from the other properties; an unknown or self-referring variable
    // stays as written. Absent when no file sets `name`; false with *error
    // when the expansion nests deeper than 20 steps.
    bool get(const std::string& name, std::optional<std::string>* value, std::string* error) const;

    // "FILE:LINE" of the definition in force, for messages; empty when unset.
    std::string origin(const std::string& name) const;

    // The directory the files came from; empty for a configuration made
    // from texts.
    const std::string& directory() const { return directory_; }

private:
    struct Definition {
        std::string value;
        bool final = false;
        std::string origin;
    };

    std::optional<std::string> variable(const std::string& name) const;

    std::string directory_;
    Environment environment_;
    std::map<std::string, Definition> properties_;   // a final entry is never replaced
};

}  // namespace vrhadoop
