// vrbio: the command-line host of the vrbaseio I/O module.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "Commands.h"
#include "Messages.h"
#include "Platform.h"

namespace {

int dispatch(int argc, char** argv) {
    if (argc < 2) return vrbio::usageError(nullptr, "missing command");
    const char* command = argv[1];
    int count = argc - 2;
    char* const* arguments = argv + 2;
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) return vrbio::printHelp();
    if (std::strcmp(command, "help") == 0) {
        if (count == 0) return vrbio::printHelp();
        if (count == 1) return vrbio::printCommandHelp(arguments[0]);
        return vrbio::usageError("help", "unexpected operand '" + std::string(arguments[1]) + "'");
    }
    if (std::strcmp(command, "--version") == 0) return vrbio::runVersion(count, arguments);
    if (std::strcmp(command, "encodings") == 0) return vrbio::runEncodings(count, arguments);
    if (std::strcmp(command, "cat") == 0) return vrbio::runCat(count, arguments);
    if (std::strcmp(command, "convert") == 0) return vrbio::runConvert(count, arguments);
    if (std::strcmp(command, "ls") == 0) return vrbio::runList(count, arguments);
    if (command[0] == '-') return vrbio::usageError(nullptr, "unknown option '" + std::string(command) + "'");
    return vrbio::usageError(nullptr, "unknown command '" + std::string(command) + "'");
}

}  // namespace

int main(int argc, char** argv) {
    vrbio::prepareStandardStreams();
    try {
        std::vector<std::string> arguments;
        if (!vrbio::commandArguments(argc, argv, &arguments)) return vrbio::failure("cannot read the command line");
        // The commands take C strings, as from main; these live until the end.
        std::vector<char*> pointers{argc > 0 ? argv[0] : nullptr};
        for (std::string& argument : arguments) pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        return dispatch(static_cast<int>(arguments.size()) + 1, pointers.data());
    } catch (const std::bad_alloc&) {
        return vrbio::failure("out of memory");
    }
}
