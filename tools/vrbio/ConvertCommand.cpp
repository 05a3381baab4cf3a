#include <cstdint>
#include <string>

#include "ArgumentValues.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "Owned.h"
#include "Platform.h"
#include "ProgressBar.h"
#include "ServiceModule.h"
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
    if (const char* name = line.value("-f"); name != nullptr && !resolveEncoding(name, &options->sourceEncoding))
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
int strictFailure(const VrbString& error, VrbTxtFile* target, std::int64_t copied) {
    failure(error, "cannot convert");
    if (!target->close()) return failure(target->errorText(), "cannot write DST");
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
                     {"--strict", false}},
                    &problem))
        return usageError("convert", problem);
    if (line.wantsHelp()) return printCommandHelp("convert");
    if (!line.expectOperands({"SRC", "DST"}, &problem)) return usageError("convert", problem);
    ConvertOptions options;
    if (int status = parseOptions(line, &options); status != kExitSuccess) return status;
    const char* sourceLocation = line.operands()[0];
    const char* targetLocation = line.operands()[1];
    if (sameLocalFile(sourceLocation, targetLocation))
        return failure(std::string(sourceLocation) + " and " + targetLocation + " are the same file");

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    VrbString error;
    Owned<VrbTxtFile> source(module.service()->openTextFile(VrbString(sourceLocation, true), VrbTxtFileRead,
                                                            options.sourceEncoding, options.sourceFlags, &error));
    if (!source) return failure(error, "cannot open SRC");
    Owned<VrbTxtFile> target(module.service()->openTextFile(VrbString(targetLocation, true), options.targetMode,
                                                            options.targetEncoding, options.targetFlags, &error));
    if (!target) return failure(error, "cannot open DST");

    std::int64_t copied = 0;
    if (!copyLines(source.get(), target.get(), options.strict, &copied, &error)) {
        return options.strict ? strictFailure(error, target.get(), copied) : failure(error, "cannot convert");
    }
    // The last buffered output reaches the file only here.
    if (!target->close()) return failure(target->errorText(), "cannot write DST");
    return kExitSuccess;
}

}  // namespace vrbio
