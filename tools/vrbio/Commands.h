// The vrbio commands: one table, from which main() dispatches and the help
// and usage texts (Messages.cpp) take their names and synopses.
#pragma once

#include <span>

namespace vrbio {

struct Command {
    const char* name;
    // Takes the arguments after the name and returns the exit status.
    int (*run)(int count, char* const* arguments);
    // The usage line and the description with the options. Null for the
    // spellings that are no command of their own (--help, -h, --version),
    // which help neither lists nor describes.
    const char* synopsis;
    const char* details;
};

// Every command, those help lists in the order it lists them.
std::span<const Command> commands();
// The command spelt `name`; with `listedOnly`, only one that help lists.
// Null when there is none.
const Command* findCommand(const char* name, bool listedOnly);

int runEncodings(int count, char* const* arguments);
int runCat(int count, char* const* arguments);
int runConvert(int count, char* const* arguments);
int runList(int count, char* const* arguments);
int runDetect(int count, char* const* arguments);
// vrbio config: the Hadoop client configuration that hadoop: URIs go by.
int runConfig(int count, char* const* arguments);
// vrbio --version: the release, and the module that loads with its path.
int runVersion(int count, char* const* arguments);
// vrbio help [COMMAND].
int runHelp(int count, char* const* arguments);
// vrbio --help and -h: the help, whatever follows.
int runHelpOption(int count, char* const* arguments);

}  // namespace vrbio
