#include "Messages.h"

#include <cstdio>
#include <cstring>

#include "ExitStatus.h"

namespace vrbio {

namespace {

struct CommandHelp {
    const char* name;
    const char* synopsis;
    const char* details;
};

constexpr CommandHelp kCommands[] = {
    {"encodings", "vrbio encodings",
     "Lists the encodings the character-set layer knows, tab-separated under a\n"
     "header line: id, name, aliases, byte-order mark (\"-\" for none) and the\n"
     "newline that writing uses when none is chosen.\n"},
    {"cat", "vrbio cat [-e ENC] [--bom] [--text] [--nul-as-fffd] LOCATION",
     "Writes a text file to standard output in UTF-8.\n"
     "By default it reads line by line and ends every line with LF, whatever\n"
     "line end the file has (LF, CR, CR LF, runs of CR, FF, NEL, LS, PS).\n"
     "  -e ENC          the file's encoding (default: the stream's choice, which\n"
     "                  for a local file is the locale's character set)\n"
     "  --bom           take the encoding from a byte-order mark when there is one\n"
     "  --text          copy the text as it is, line ends included, so the output\n"
     "                  is the exact transcoding of the file\n"
     "  --nul-as-fffd   read a NUL character as U+FFFD instead of failing\n"},
    {"convert",
     "vrbio convert [-f ENC] [-t ENC] [--bom] [--write-bom] [--newline lf|crlf|cr|nel] [--append] SRC DST",
     "Copies the text of SRC into DST in another encoding, line by line.\n"
     "Line ends are normalised: every line of SRC, the last one included even\n"
     "when it has no line end, is written with DST's newline.\n"
     "  -f ENC          SRC's encoding (default: the stream's choice)\n"
     "  -t ENC          DST's encoding (default: the stream's choice)\n"
     "  --bom           take SRC's encoding from its byte-order mark, if any\n"
     "  --write-bom     start DST with the byte-order mark of its encoding\n"
     "                  (UTF-8 and the UTF-16 and UCS-2 forms have one)\n"
     "  --newline NL    DST's newline: lf, crlf, cr or nel (default: NEL for\n"
     "                  encodings whose convention it is, else CR LF)\n"
     "  --append        add to the end of DST instead of replacing it\n"
     "SRC and DST must not be the same file. A progress bar appears on a\n"
     "terminal for large files.\n"},
    {"ls", "vrbio ls [--dirs | --files] LOCATION",
     "Lists a directory, one entry a line, tab-separated: d (directory) or -,\n"
     "ro (cannot be opened for writing as a file, which holds for directories)\n"
     "or rw, the local modification time (YYYY-MM-DD HH:MM:SS), the time\n"
     "stamp in seconds since 1970, the backend's extra value, the name.\n"
     "  --dirs          directories only\n"
     "  --files         entries that are not directories only\n"},
    {"help", "vrbio help", "Shows this help (also vrbio --help, vrbio -h).\n"},
};

constexpr const char* kGeneralUsage = "usage: vrbio COMMAND [OPTIONS] OPERANDS (vrbio --help lists the commands)";

const CommandHelp* findCommand(const char* name) {
    for (const CommandHelp& command : kCommands)
        if (std::strcmp(command.name, name) == 0) return &command;
    return nullptr;
}

}  // namespace

int printHelp() {
    std::fputs("vrbio: text files in any encoding and directories, local or on a Hadoop\n"
               "file system, through the vrbaseio I/O module.\n\n"
               "Commands:\n",
               stdout);
    for (const CommandHelp& command : kCommands) std::printf("  %s\n", command.synopsis);
    std::fputs("\n"
               "LOCATION, SRC and DST are plain paths, file: URIs or hadoop: URIs.\n"
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

int printCommandHelp(const char* name) {
    const CommandHelp* command = findCommand(name);
    if (command == nullptr) return usageError(nullptr, "unknown command '" + std::string(name) + "'");
    std::printf("usage: %s\n\n%s", command->synopsis, command->details);
    return std::fflush(stdout) == 0 ? kExitSuccess : kExitFailure;
}

int usageError(const char* name, const std::string& problem) {
    const CommandHelp* command = name != nullptr ? findCommand(name) : nullptr;
    if (command != nullptr)
        std::fprintf(stderr, "vrbio: %s: %s\nusage: %s\n", command->name, problem.c_str(), command->synopsis);
    else
        std::fprintf(stderr, "vrbio: %s\n%s\n", problem.c_str(), kGeneralUsage);
    return kExitUsage;
}

int failure(const std::string& reason) {
    std::fprintf(stderr, "vrbio: %s\n", reason.c_str());
    return kExitFailure;
}

int failure(const VrbString& reason, const char* fallback) {
    return failure(reason.empty() ? std::string(fallback) : std::string(reason.asCstr()));
}

}  // namespace vrbio
