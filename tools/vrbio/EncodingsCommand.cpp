#include <string>

#include "BufferedOutput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "hx/hx_uchar.h"

namespace vrbio {

namespace {

// The marks the text layer itself reads and writes for these ids.
const char* byteOrderMark(int id) {
    switch (id) {
        case HX_ENC_UTF8: return "EF BB BF";
        case HX_ENC_UTF16BE:
        case HX_ENC_UCS2BE: return "FE FF";
        case HX_ENC_UTF16LE:
        case HX_ENC_UCS2LE: return "FF FE";
        default: return "-";
    }
}

// Index 0 of the names is the canonical one; the aliases follow it.
std::string aliasList(int id) {
    std::string aliases;
    for (int index = 1;; ++index) {
        const char* alias = hx_uchar_encalias(id, index);
        if (alias == nullptr) break;
        if (!aliases.empty()) aliases += ',';
        aliases += alias;
    }
    return aliases.empty() ? "-" : aliases;
}

}  // namespace

int runEncodings(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {}, &problem)) return usageError("encodings", problem);
    if (line.wantsHelp()) return printCommandHelp("encodings");
    if (!line.expectOperands({}, &problem)) return usageError("encodings", problem);

    BufferedOutput out(1);
    out.append(std::string("id\tname\taliases\tbom\tnewline\n"));
    for (int index = 0, total = hx_uchar_enccount(); index < total; ++index) {
        int id = hx_uchar_encid(index);
        const char* name = hx_uchar_encname(id);
        const char* newline = (hx_uchar_encprop(id) & HX_PROP_NEL_NEWLINE) != 0 ? "NEL" : "CR LF";
        out.append(std::to_string(id) + '\t' + (name != nullptr ? name : "?") + '\t' + aliasList(id) + '\t' +
                   byteOrderMark(id) + '\t' + newline + '\n');
    }
    if (!out.flush()) return failure("cannot write to standard output: " + out.error());
    return kExitSuccess;
}

}  // namespace vrbio
