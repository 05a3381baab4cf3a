#include <cstdint>
#include <string>
#include <vector>

#include "ArgumentValues.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "LocationPattern.h"
#include "Messages.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "ServiceModule.h"
#include "StandardStream.h"
#include "TextLocation.h"
#include "vrbclass/VrURI.h"

namespace vrbio {

namespace {

// The local path a location opens, resolved as the service resolves it;
// false for a location on another file system.
bool localPath(const char* location, std::string* path) {
    VrURI* uri = getURIFromURIString(VrbString(location, true));
    if (uri == nullptr) {
        *path = location;
        return true;
    }
    bool local = uri->scheme().compare("file", false) == 0;
    if (local) *path = uri->path().asCstr();
    uri->release();
    return local;
}

// Opening DST for writing would empty SRC before a line of it was read, and
// appending to the file being read would never end.
bool sameLocalFile(const char* source, const char* destination) {
    if (isStandardStream(source) || isStandardStream(destination)) return false;
    std::string sourcePath;
    std::string destinationPath;
    return localPath(source, &sourcePath) && localPath(destination, &destinationPath) &&
           sameExistingFile(sourcePath, destinationPath);
}

struct ConvertOptions {
    int sourceEncoding = -1;
    int targetEncoding = -1;
    int sourceFlags = 0;
    int targetFlags = 0;
    int targetMode = VrbTxtFileWrite;
    bool strict = false;
};

int parseOptions(const CommandLine& line, ConvertOptions* options) {
    if (const char* name = line.value("-f");
        name != nullptr && !resolveReadEncoding(name, &options->sourceEncoding, &options->sourceFlags))
        return usageError("convert", "unknown encoding '" + std::string(name) + "'");
    if (const char* name = line.value("-t"); name != nullptr && !resolveEncoding(name, &options->targetEncoding))
        return usageError("convert", "unknown encoding '" + std::string(name) + "'");
    if (const char* name = line.value("--newline"); name != nullptr) {
        int newline = 0;
        if (!newlineFlag(name, &newline))
            return usageError("convert", "unknown newline '" + std::string(name) + "' (lf, crlf, cr or nel)");
        options->targetFlags |= newline;
    }
    if (line.has("--bom")) options->sourceFlags |= VRB_TXT_DETECT_BOM;
    if (line.has("--write-bom")) options->targetFlags |= VRB_TXT_WRITE_BOM;
    if (line.has("--append")) options->targetMode = VrbTxtFileAppend;
    if (line.has("--raw-bytes")) {
        options->sourceFlags |= VRB_TXT_RAW_BYTES;
        options->targetFlags |= VRB_TXT_RAW_BYTES;
    }
    if (line.has("--strict")) {
        options->strict = true;
        options->sourceFlags |= VRB_TXT_STRICT;
        options->targetFlags |= VRB_TXT_STRICT;
    }
    return kExitSuccess;
}

// A line without a line end is the last one, or the text before a fault
// that the next read reports. Strict copies hold it back until that read
// says which: DST then ends with the last whole line before the fault.
int readLine(VrbTxtFile* source, bool strict, std::string* held, char** text, bool* endOfLine) {
    int length = source->readLine(-1, text, endOfLine);
    if (!strict || length <= 0 || *endOfLine) return length;
    held->assign(*text, static_cast<std::size_t>(length));
    char* next = nullptr;
    if (const int after = source->readLine(-1, &next, endOfLine); after < 0) return after;
    *text = held->data();
    *endOfLine = false;
    return length;
}

// Copies SRC's lines into DST, counting them in *copied; false when a read
// or a write failed, with the failing file's reason in *error.
bool copyLines(VrbTxtFile* source, VrbTxtFile* target, bool strict, std::int64_t* copied, VrbString* error) {
    ProgressBar progress(isTerminal(2), source->size());
    std::string held;
    for (;;) {
        char* text = nullptr;
        bool endOfLine = false;
        int length = readLine(source, strict, &held, &text, &endOfLine);
        if (length < 0) {
            *error = source->errorText();
            return false;
        }
        if (length == 0 && !endOfLine) return true;
        if (!target->writeln(text, length)) {
            *error = target->errorText();
            return false;
        }
        ++*copied;
        progress.update(source->tell());
    }
}

// Strict: the fault's message, then what DST holds, as far as it got.
int strictFailure(const VrbString& error, TextLocation* target, std::int64_t copied) {
    failure(error, "cannot convert");
    std::string closeError;
    if (!target->close(&closeError)) return failure(closeError, "cannot write DST");
    const char* noun = copied == 1 ? " line" : " lines";
    return failure("DST holds the " + std::to_string(copied) + noun + " before the fault");
}

}  // namespace

int runConvert(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments,
                    {{"-f", true},
                     {"-t", true},
                     {"--bom", false},
                     {"--write-bom", false},
                     {"--newline", true},
                     {"--append", false},
                     {"--strict", false},
                     {"--raw-bytes", false}},
                    &problem))
        return usageError("convert", problem);
    if (line.wantsHelp()) return printCommandHelp("convert");
    if (!line.expectOperands({"SRC", "DST"}, &problem)) return usageError("convert", problem);
    ConvertOptions options;
    if (int status = parseOptions(line, &options); status != kExitSuccess) return status;
    const char* sourcePattern = line.operands()[0];
    const char* targetLocation = line.operands()[1];

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    std::vector<std::string> sources;
    if (!operandLocations(module.service(), sourcePattern, &sources)) return kExitFailure;
    for (const std::string& source : sources) {
        if (sameLocalFile(source.c_str(), targetLocation))
            return failure(source + " and " + targetLocation + " are the same file");
    }
    // DST is opened once SRC is, so that a missing SRC leaves DST alone.
    TextLocation target;
    std::string error;
    std::int64_t copied = 0;
    for (const std::string& sourceLocation : sources) {
        TextLocation source;
        if (!source.open(module.service(), sourceLocation.c_str(), VrbTxtFileRead, options.sourceEncoding,
                         options.sourceFlags, &error))
            return failure(error, "cannot open SRC");
        if (target.file() == nullptr && !target.open(module.service(), targetLocation, options.targetMode,
                                                      options.targetEncoding, options.targetFlags, &error))
            return failure(error, "cannot open DST");
        VrbString copyError;
        if (!copyLines(source.file(), target.file(), options.strict, &copied, &copyError))
            return options.strict ? strictFailure(copyError, &target, copied) : failure(copyError, "cannot convert");
        if (!source.close(&error)) return failure(error, "cannot read SRC");
    }
    // The last buffered output reaches the file only here.
    if (!target.close(&error)) return failure(error, "cannot write DST");
    return kExitSuccess;
}

}  // namespace vrbio
