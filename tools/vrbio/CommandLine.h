// Options and operands of one vrbio command. Options may stand before,
// between or after the operands; "--" ends them; "-" alone is an operand.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace vrbio {

struct OptionSpec {
    const char* name;   // "-e" or "--newline"
    bool takesValue;
};

class CommandLine {
public:
    // Parses arguments[0, count). False with the problem in *problem.
    // "--help" and "-h" are always known and take no value.
    bool parse(int count, char* const* arguments, std::initializer_list<OptionSpec> options, std::string* problem);

    bool has(const char* name) const { return value(name) != nullptr; }
    // The value of the option's last occurrence; "" for an option without
    // value; null when absent.
    const char* value(const char* name) const;
    bool wantsHelp() const { return has("--help") || has("-h"); }
    const std::vector<const char*>& operands() const { return operands_; }
    // True when there is exactly one operand for each name; otherwise the
    // problem names the first missing operand or the first one too many.
    bool expectOperands(std::initializer_list<const char*> names, std::string* problem) const;

private:
    struct Occurrence {
        const char* name;
        const char* value;
    };
    std::vector<Occurrence> occurrences_;
    std::vector<const char*> operands_;
};

}  // namespace vrbio
