#include "Commands.h"

#include <cstring>

namespace vrbio {
namespace {

constexpr Command kCommands[] = {
    {"encodings", runEncodings, "vrbio encodings",
     "Lists the encodings the character-set layer knows, tab-separated under a\n"
     "header line: id, name, aliases, byte-order mark (\"-\" for none) and the\n"
     "newline that writing uses when none is chosen.\n"},
    {"detect", runDetect, "vrbio detect LOCATION...",
     "Names the encoding of each text file: one line per LOCATION, tab-separated:\n"
     "the encoding's name as vrbio encodings prints it, how sure the choice is\n"
     "(0-100) and the location. The choice looks at the first 64 KiB: a\n"
     "byte-order mark, the zero bytes of UTF-16 and UTF-32, valid UTF-8, pure\n"
     "ASCII (the locale's set, UTF-8 where that is not ASCII-compatible),\n"
     "EBCDIC, else the legacy set whose reading looks most like text in a\n"
     "language it serves. A location that cannot be read is reported and the\n"
     "others are still named (exit status 1). cat -e auto and convert -f auto\n"
     "read with the same choice.\n"
     "Example: vrbio detect 'exports/*.txt'\n"},
    {"cat", runCat, "vrbio cat [-e ENC] [--bom] [--text] [--nul-as-fffd] [--strict] [--raw-bytes] LOCATION...",
     "Writes text files to standard output in UTF-8, each LOCATION in turn; one\n"
     "that fails is reported and the others are still written (exit status 1).\n"
     "\"-\" reads standard input, so that vrbio cat works in a pipeline.\n"
     "By default it reads line by line and ends every line with LF, whatever\n"
     "line end the file has (LF, CR, CR LF, runs of CR, FF, NEL, LS, PS).\n"
     "  -e ENC          the file's encoding (default: the stream's choice, which\n"
     "                  for a local file is the locale's character set; UTF-8 in\n"
     "                  the POSIX locale); auto: chosen as vrbio detect does\n"
     "  --bom           take the encoding from a byte-order mark when there is one\n"
     "  --text          copy the text as it is, line ends included, so the output\n"
     "                  is the exact transcoding of the file\n"
     "  --nul-as-fffd   read a NUL character as U+FFFD instead of failing\n"
     "  --strict        fail at the first byte sequence that is malformed in the\n"
     "                  encoding, naming its byte offset and line, instead of\n"
     "                  reading it as U+FFFD; the text before it is written\n"
     "  --raw-bytes     read a gzip, bzip2, xz or zstd file's bytes as they are\n"
     "                  instead of decompressing it\n"
     "Example: zcat log.gz | vrbio cat -e windows-1252 - 'hadoop://nn/logs/2026-12-*/part-*'\n"},
    {"convert", runConvert,
     "vrbio convert [-f ENC] [-t ENC] [--bom] [--write-bom] [--newline lf|crlf|cr|nel] [--append] [--strict] [--raw-bytes] SRC DST",
     "Copies the text of SRC into DST in another encoding, line by line.\n"
     "Line ends are normalised: every line of SRC, the last one included even\n"
     "when it has no line end, is written with DST's newline.\n"
     "  -f ENC          SRC's encoding (default: the stream's choice; auto: chosen\n"
     "                  as vrbio detect does)\n"
     "  -t ENC          DST's encoding (default: the stream's choice)\n"
     "  --bom           take SRC's encoding from its byte-order mark, if any\n"
     "  --write-bom     start DST with the byte-order mark of its encoding\n"
     "                  (UTF-8 and the UTF-16 and UCS-2 forms have one)\n"
     "  --newline NL    DST's newline: lf, crlf, cr or nel (default: NEL for\n"
     "                  encodings whose convention it is, else CR LF)\n"
     "  --append        add to the end of DST instead of replacing it (a mark\n"
     "                  is written only when DST is empty)\n"
     "  --strict        stop at the first byte SRC's encoding cannot read or\n"
     "                  character DST's cannot write, instead of replacing it;\n"
     "                  DST keeps every line before the faulty one\n"
     "  --raw-bytes     neither decompress SRC nor compress DST (by default a\n"
     "                  compressed SRC is read as its text, and a DST named\n"
     "                  *.gz, *.bz2, *.xz or *.zst is written compressed)\n"
     "SRC and DST must not be the same file. A progress bar appears on a\n"
     "terminal for large files. \"-\" as SRC reads standard input, as DST writes\n"
     "standard output; a pattern as SRC writes every match into DST in turn.\n"
     "Example: cmd | vrbio convert -f windows-1252 -t UTF-8 - - | sort\n"},
    {"ls", runList, "vrbio ls [-R] [--dirs | --files] LOCATION",
     "Lists a directory, one entry a line, tab-separated: d (directory) or -,\n"
     "ro (cannot be opened for writing as a file, which holds for directories)\n"
     "or rw, the local modification time (YYYY-MM-DD HH:MM:SS), the time\n"
     "stamp in seconds since 1970, the backend's extra value, the name.\n"
     "  -R              the whole tree below LOCATION, depth first: a directory's\n"
     "                  row, then its contents; rows sorted by name within a\n"
     "                  directory, the name column the path below LOCATION.\n"
     "                  Links to directories are listed, not followed; a\n"
     "                  directory that cannot be read is reported and the\n"
     "                  walk goes on (exit status 1 at the end)\n"
     "  --dirs          directories only\n"
     "  --files         entries that are not directories only\n"
     "A pattern lists its matches, named below the pattern's fixed part (with\n"
     "-R each directory's tree follows its row).\n"
     "Example: vrbio ls -R --files 'hadoop://nn/data/2026-*?user=etl'\n"},
    {"config", runConfig, "vrbio config",
     "Shows the Hadoop client configuration that hadoop: URIs go by: the\n"
     "directory read (HADOOP_CONF_DIR, else /etc/hadoop/conf; on Windows only\n"
     "HADOOP_CONF_DIR), then each property that is honoured and set, as\n"
     "NAME=VALUE (variables expanded), a tab, and the file and line that set\n"
     "it. A file that cannot be read or parsed is an error.\n"},
    {"help", runHelp, "vrbio help", "Shows this help (also vrbio --help, vrbio -h).\n"},
    {"--help", runHelpOption, nullptr, nullptr},
    {"-h", runHelpOption, nullptr, nullptr},
    {"--version", runVersion, nullptr, nullptr},
};

}  // namespace

std::span<const Command> commands() { return kCommands; }

const Command* findCommand(const char* name, bool listedOnly) {
    for (const Command& command : kCommands) {
        if (std::strcmp(command.name, name) == 0 && (!listedOnly || command.synopsis != nullptr)) return &command;
    }
    return nullptr;
}

}  // namespace vrbio
