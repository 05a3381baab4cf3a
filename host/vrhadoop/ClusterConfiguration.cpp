#include "ClusterConfiguration.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "configuration_xml.h"

namespace vrhadoop {
namespace {

constexpr int kMaxSubstitutions = 20;

std::optional<std::string> processEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

// The innermost "${NAME}" to expand first, as [start of NAME, end of NAME);
// a blank or "$" inside the braces starts the search anew after it.
bool findVariable(const std::string& text, std::size_t* start, std::size_t* end) {
    std::size_t from = 1;
    for (std::size_t brace = text.find('{', from); brace != std::string::npos && brace + 2 < text.size();
         brace = text.find('{', from)) {
        if (text[brace - 1] != '$') {
            from = brace + 1;
            continue;
        }
        std::size_t length = 0;
        std::size_t i = brace + 1;
        for (; i < text.size(); ++i) {
            char c = text[i];
            if (c == '}' && length > 0) {
                *start = brace + 1;
                *end = brace + 1 + length;
                return true;
            }
            if (c == '}' || c == ' ' || c == '$') {
                from = i + 1;
                break;
            }
            ++length;
        }
        if (i == text.size()) return false;
    }
    return false;
}

}  // namespace

ClusterConfiguration::ClusterConfiguration(std::string directory, Environment environment)
    : directory_(std::move(directory)),
      environment_(environment ? std::move(environment) : Environment(processEnvironment)) {}

bool ClusterConfiguration::addFile(std::string_view text, const std::string& fileName, std::string* error) {
    std::vector<ConfigurationProperty> found;
    if (!readConfigurationXml(text, fileName, &found, error)) return false;
    for (ConfigurationProperty& property : found) {
        auto existing = properties_.find(property.name);
        if (existing != properties_.end() && existing->second.final) continue;
        std::string origin = fileName + ":" + std::to_string(property.line);
        if (property.hasValue) {
            properties_[property.name] = Definition{std::move(property.value), property.final, std::move(origin)};
        } else if (property.final && existing != properties_.end()) {
            existing->second.final = true;
        }
    }
    return true;
}

std::optional<std::string> ClusterConfiguration::variable(const std::string& name) const {
    static constexpr std::string_view kEnv = "env.";
    if (name.size() > kEnv.size() && name.compare(0, kEnv.size(), kEnv) == 0) {
        std::string rest = name.substr(kEnv.size());
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == ':' && i + 1 < rest.size() && rest[i + 1] == '-') {
                std::optional<std::string> value = environment_(rest.substr(0, i));
                return value && !value->empty() ? value : rest.substr(i + 2);
            }
            if (rest[i] == '-') {
                std::optional<std::string> value = environment_(rest.substr(0, i));
                return value ? value : rest.substr(i + 1);
            }
        }
        if (std::optional<std::string> value = environment_(rest)) return value;
    } else if (name == "user.name") {
        for (const char* key : {"USER", "LOGNAME", "USERNAME"}) {
            if (std::optional<std::string> value = environment_(key)) return value;
        }
    } else if (name == "user.home") {
        for (const char* key : {"HOME", "USERPROFILE"}) {
            if (std::optional<std::string> value = environment_(key)) return value;
        }
    }
    auto property = properties_.find(name);
    if (property == properties_.end()) return std::nullopt;
    return property->second.value;
}

bool ClusterConfiguration::get(const std::string& name, std::optional<std::string>* value,
                               std::string* error) const {
    auto property = properties_.find(name);
    if (property == properties_.end()) {
        value->reset();
        return true;
    }
    std::string text = property->second.value;
    for (int step = 0;; ++step) {
        // The Java client gives up after this many substitutions, even when
        // the last of them left no variable behind.
        if (step == kMaxSubstitutions) {
            *error = property->second.origin + ": the value of " + name + " nests ${...} deeper than " +
                     std::to_string(kMaxSubstitutions) + " steps";
            return false;
        }
        std::size_t start = 0;
        std::size_t end = 0;
        if (!findVariable(text, &start, &end)) break;
        std::optional<std::string> replacement = variable(text.substr(start, end - start));
        std::string reference = text.substr(start - 2, end - start + 3);
        if (!replacement) break;
        if (replacement->find(reference) != std::string::npos) {
            text = property->second.value;
            break;
        }
        text = text.substr(0, start - 2) + *replacement + text.substr(end + 1);
    }
    *value = std::move(text);
    return true;
}

std::string ClusterConfiguration::origin(const std::string& name) const {
    auto property = properties_.find(name);
    return property == properties_.end() ? std::string() : property->second.origin;
}

}  // namespace vrhadoop
