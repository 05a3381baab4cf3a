#include "CommandLine.h"

#include <cstring>

namespace vrbio {

namespace {

constexpr OptionSpec kHelpOptions[] = {{"--help", false}, {"-h", false}};

const OptionSpec* findOption(std::initializer_list<OptionSpec> options, const char* name, std::size_t length) {
    auto matches = [&](const OptionSpec& option) {
        return std::strlen(option.name) == length && std::strncmp(option.name, name, length) == 0;
    };
    for (const OptionSpec& option : options)
        if (matches(option)) return &option;
    for (const OptionSpec& option : kHelpOptions)
        if (matches(option)) return &option;
    return nullptr;
}

}  // namespace

bool CommandLine::parse(int count, char* const* arguments, std::initializer_list<OptionSpec> options,
                        std::string* problem) {
    occurrences_.clear();
    operands_.clear();
    bool optionsEnded = false;
    for (int index = 0; index < count; ++index) {
        const char* argument = arguments[index];
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            operands_.push_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        bool isLong = argument[1] == '-';
        // "--name=value" for long options, "-xVALUE" for short ones.
        const char* equals = isLong ? std::strchr(argument, '=') : nullptr;
        std::size_t nameLength = equals != nullptr ? static_cast<std::size_t>(equals - argument)
                                 : isLong         ? std::strlen(argument)
                                                  : 2;
        const OptionSpec* option = findOption(options, argument, nameLength);
        if (option == nullptr) {
            *problem = "unknown option '" + std::string(argument, isLong ? nameLength : 2) + "'";
            return false;
        }
        const char* attached = equals != nullptr                      ? equals + 1
                               : !isLong && argument[2] != '\0' ? argument + 2
                                                                : nullptr;
        if (!option->takesValue) {
            if (attached != nullptr) {
                *problem = "option '" + std::string(option->name) + "' takes no value";
                return false;
            }
            occurrences_.push_back({option->name, ""});
            continue;
        }
        if (attached == nullptr) {
            if (index + 1 >= count) {
                *problem = "option '" + std::string(option->name) + "' needs a value";
                return false;
            }
            attached = arguments[++index];
        }
        occurrences_.push_back({option->name, attached});
    }
    return true;
}

bool CommandLine::expectOperands(std::initializer_list<const char*> names, std::string* problem) const {
    if (operands_.size() < names.size()) {
        *problem = "missing " + std::string(names.begin()[operands_.size()]);
        return false;
    }
    if (operands_.size() > names.size()) {
        *problem = "unexpected operand '" + std::string(operands_[names.size()]) + "'";
        return false;
    }
    return true;
}

const char* CommandLine::value(const char* name) const {
    for (auto it = occurrences_.rbegin(); it != occurrences_.rend(); ++it)
        if (std::strcmp(it->name, name) == 0) return it->value;
    return nullptr;
}

}  // namespace vrbio
