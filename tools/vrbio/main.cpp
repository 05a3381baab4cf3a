// vrbio: the command-line host of the vrbaseio I/O module.
#include <new>
#include <string>
#include <vector>

#include "Commands.h"
#include "Messages.h"
#include "Platform.h"

namespace {

int dispatch(int argc, char** argv) {
    if (argc < 2) return vrbio::usageError(nullptr, "missing command");
    const char* name = argv[1];
    if (const vrbio::Command* command = vrbio::findCommand(name, false)) return command->run(argc - 2, argv + 2);
    if (name[0] == '-') return vrbio::usageError(nullptr, "unknown option '" + std::string(name) + "'");
    return vrbio::usageError(nullptr, "unknown command '" + std::string(name) + "'");
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
