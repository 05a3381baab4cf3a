#include "Messages.h"

#include <cstdio>

#include "Commands.h"
#include "ExitStatus.h"
#include "vrbclass/secret_mask.h"

namespace vrbio {

namespace {

constexpr const char* kGeneralUsage = "usage: vrbio COMMAND [OPTIONS] OPERANDS (vrbio --help lists the commands)";

}  // namespace

int printHelp() {
    std::fputs("vrbio: text files in any encoding and directories, local or on a Hadoop\n"
               "file system, through the vrbaseio I/O module.\n\n"
               "Commands:\n",
               stdout);
    for (const Command& command : commands()) {
        if (command.synopsis != nullptr) std::printf("  %s\n", command.synopsis);
    }
    std::fputs("\n"
               "LOCATION, SRC and DST are plain paths, file: URIs or hadoop: URIs.\n"
               "\"-\" is standard input (cat, convert's SRC) or standard output (convert's\n"
               "DST); a file named \"-\" is ./-. A location with *, ? or [...] in a\n"
               "component is a pattern (cat, ls, convert's SRC): glob(3)'s rules, a\n"
               "leading dot matched only by a dot, \\ escaping, matches in byte order;\n"
               "in a hadoop: URI %2A, %3F and %5B stay plain. A pattern that matches\n"
               "nothing is an error. Example: vrbio cat 'logs/2026-12-*/part-[0-9]*'\n"
               "ENC is an encoding name or alias, or a numeric id (vrbio encodings lists\n"
               "them); names are matched without regard to case.\n"
               "\"--\" ends the options; vrbio help COMMAND describes one command.\n\n"
               "vrbio --version shows the release and the module that loads.\n\n"
               "Environment:\n"
               "  VRBASEIO_MODULE the I/O module to load (default: the module beside\n"
               "                  vrbio, then in ../lib from there, then the system's\n"
               "                  search by name); VRBIO_MODULE, the former name,\n"
               "                  counts when VRBASEIO_MODULE is not set\n\n"
               "Exit status: 0 success, 1 failure (the reason on standard error),\n"
               "2 usage error.\n",
               stdout);
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

int runHelp(int count, char* const* arguments) {
    if (count == 0) return printHelp();
    if (count == 1) return printCommandHelp(arguments[0]);
    return usageError("help", "unexpected operand '" + std::string(arguments[1]) + "'");
}

int runHelpOption(int, char* const*) { return printHelp(); }

int printCommandHelp(const char* name) {
    const Command* command = findCommand(name, true);
    if (command == nullptr) return usageError(nullptr, "unknown command '" + std::string(name) + "'");
    std::printf("usage: %s\n\n%s", command->synopsis, command->details);
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

int usageError(const char* name, const std::string& problem) {
    const Command* command = name != nullptr ? findCommand(name, true) : nullptr;
    if (command != nullptr)
        std::fprintf(stderr, "vrbio: %s: %s\nusage: %s\n", command->name, problem.c_str(), command->synopsis);
    else
        std::fprintf(stderr, "vrbio: %s\n%s\n", problem.c_str(), kGeneralUsage);
    return kExitUsage;
}

std::string shownLocation(const char* location) {
    VrbString masked;
    bool failed = false;
    vrbmessage::appendMasked(location, &masked, &failed);
    return failed ? std::string() : std::string(masked.asCstr());
}

int failure(const std::string& reason) {
    std::fprintf(stderr, "vrbio: %s\n", reason.c_str());
    return kExitFailure;
}

int failure(const VrbString& reason, const char* fallback) {
    return failure(reason.empty() ? std::string(fallback) : std::string(reason.asCstr()));
}

int failure(const std::string& reason, const char* fallback) {
    return failure(reason.empty() ? std::string(fallback) : reason);
}

}  // namespace vrbio
