#include <string>

#include "ArgumentValues.h"
#include "BufferedOutput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "Owned.h"
#include "ServiceModule.h"

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

}  // namespace

int runCat(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {{"-e", true}, {"--bom", false}, {"--text", false}, {"--nul-as-fffd", false},
                                         {"--strict", false}},
                    &problem))
        return usageError("cat", problem);
    if (line.wantsHelp()) return printCommandHelp("cat");
    if (!line.expectOperands({"LOCATION"}, &problem)) return usageError("cat", problem);
    int encoding = -1;
    if (const char* name = line.value("-e"); name != nullptr && !resolveEncoding(name, &encoding))
        return usageError("cat", "unknown encoding '" + std::string(name) + "'");
    int flags = 0;
    if (line.has("--bom")) flags |= VRB_TXT_DETECT_BOM;
    if (line.has("--nul-as-fffd")) flags |= VRB_TXT_NUL_AS_FFFD;
    if (line.has("--strict")) flags |= VRB_TXT_STRICT;

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    VrbString error;
    Owned<VrbTxtFile> file(module.service()->openTextFile(VrbString(line.operands()[0], true), VrbTxtFileRead,
                                                          encoding, flags, &error));
    if (!file) return failure(error, "cannot open the file");

    BufferedOutput out(1);
    bool read = line.has("--text") ? copyText(file.get(), &out) : copyLines(file.get(), &out);
    // The text before a read failure goes out before the reason.
    if (!out.flush()) return failure("cannot write to standard output: " + out.error());
    if (!read) return failure(file->errorText(), "cannot read the file");
    if (!file->close()) return failure(file->errorText(), "cannot close the file");
    return kExitSuccess;
}

}  // namespace vrbio
