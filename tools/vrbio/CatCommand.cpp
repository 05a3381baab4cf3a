#include <string>
#include <vector>

#include "ArgumentValues.h"
#include "BufferedOutput.h"
#include "CommandLine.h"
#include "EachLocation.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "LocationPattern.h"
#include "Messages.h"
#include "ServiceModule.h"
#include "TextLocation.h"

namespace vrbio {

namespace {

// Bytes of the file that one readText call may take: the output stays
// streaming whatever the file's size.
constexpr int kTextPiece = 64 * 1024;

// The copies return false when reading fails. A failed write only stops
// them: the final flush reports it.

// Every line followed by LF, whatever line end the file used. A line that
// stops short of its end (U+0000 or, when strict, a malformed sequence
// follows, and the next read fails) goes out
// as far as it was read, without an LF of its own.
bool copyLines(VrbTxtFile* file, BufferedOutput* out) {
    for (;;) {
        char* text = nullptr;
        bool endOfLine = false;
        int length = file->readLine(-1, &text, &endOfLine);
        if (length < 0) return false;
        if (length == 0 && !endOfLine) return true;
        if (!out->append(text, static_cast<std::size_t>(length))) return true;
        if (endOfLine && !out->append('\n')) return true;
    }
}

bool copyText(VrbTxtFile* file, BufferedOutput* out) {
    for (;;) {
        char* text = nullptr;
        int length = file->readText(kTextPiece, &text);
        if (length < 0) return false;
        if (length == 0) return true;
        if (!out->append(text, static_cast<std::size_t>(length))) return true;
    }
}

struct CatOptions {
    int encoding = -1;
    int flags = 0;
    bool text = false;
};

// One location onto `out`; false when it failed, with the reason reported.
bool catOne(VrbIO* service, const char* location, const CatOptions& options, BufferedOutput* out) {
    TextLocation text;
    std::string error;
    if (!text.open(service, location, VrbTxtFileRead, options.encoding, options.flags, &error)) {
        failure(error, "cannot open the file");
        return false;
    }
    VrbTxtFile* file = text.file();
    bool read = options.text ? copyText(file, out) : copyLines(file, out);
    // The text before a read failure goes out before the reason.
    if (!out->flush()) return false;
    if (!read) {
        failure(file->errorText(), "cannot read the file");
        return false;
    }
    if (!text.close(&error)) {
        failure(error, "cannot close the file");
        return false;
    }
    return true;
}

}  // namespace

int runCat(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {{"-e", true}, {"--bom", false}, {"--text", false}, {"--nul-as-fffd", false},
                                         {"--strict", false}, {"--raw-bytes", false}},
                    &problem))
        return usageError("cat", problem);
    if (line.wantsHelp()) return printCommandHelp("cat");
    if (line.operands().empty()) return usageError("cat", "missing LOCATION");
    CatOptions options;
    if (const char* name = line.value("-e"); name != nullptr && !resolveReadEncoding(name, &options.encoding, &options.flags))
        return usageError("cat", "unknown encoding '" + std::string(name) + "'");
    if (line.has("--bom")) options.flags |= VRB_TXT_DETECT_BOM;
    if (line.has("--nul-as-fffd")) options.flags |= VRB_TXT_NUL_AS_FFFD;
    options.text = line.has("--text");
    if (line.has("--strict")) options.flags |= VRB_TXT_STRICT;
    if (line.has("--raw-bytes")) options.flags |= VRB_TXT_RAW_BYTES;

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    BufferedOutput out(1);
    return forEachLocation(module.service(), line.operands(), &out, [&](const char* location) {
        return catOne(module.service(), location, options, &out);
    });
}

}  // namespace vrbio
