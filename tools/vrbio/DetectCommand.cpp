#include <string>
#include <vector>

#include "BufferedOutput.h"
#include "CommandLine.h"
#include "EachLocation.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "LocationPattern.h"
#include "Messages.h"
#include "ServiceModule.h"
#include "TextLocation.h"
#include "hx/hx_lcinfo.h"
#include "hx/hx_uchar.h"
#include "hx/hx_uchar_detect.h"

namespace vrbio {

namespace {

// What the text layer's detection looks at.
constexpr int kSample = 64 * 1024;

// The first kSample bytes of the file. Read as ISO-8859-1, every byte is
// one character below U+0100, and U+0000 (read as U+FFFD) is the only
// other; so the bytes come back exactly from the internal form.
bool readSample(VrbTxtFile* file, std::string* bytes) {
    while (bytes->size() < static_cast<std::size_t>(kSample)) {
        char* text = nullptr;
        const int length = file->readText(kSample - static_cast<int>(bytes->size()), &text);
        if (length < 0) return false;
        if (length == 0) return true;
        for (int i = 0; i < length;) {
            int taken = 1;
            const int cp = hx_uchar_toint(text + i, &taken);
            bytes->push_back(static_cast<char>(cp >= 0 && cp < 0x100 ? cp : 0));
            i += taken;
        }
    }
    return true;
}

// The encoding a file takes when none is named: what rule 4 keeps for ASCII.
int defaultEncoding() {
    char charset[64] = {};
    hx_lcinfo_text_charset(charset, static_cast<int>(sizeof charset));
    charset[sizeof charset - 1] = '\0';
    return hx_uchar_getenc(charset);
}

bool detectOne(VrbIO* service, const char* location, int requested, BufferedOutput* out) {
    TextLocation text;
    std::string error;
    if (!text.open(service, location, VrbTxtFileRead, HX_ENC_ISO8859_1, static_cast<int>(VRB_TXT_NUL_AS_FFFD),
                   &error)) {
        failure(error, "cannot open the file");
        return false;
    }
    std::string bytes;
    if (!readSample(text.file(), &bytes)) {
        failure(text.file()->errorText(), "cannot read the file");
        return false;
    }
    int confidence = 0;
    const int id = hx_uchar_detect(bytes.data(), static_cast<int>(bytes.size()), requested, &confidence, nullptr);
    const std::string row = std::string(hx_uchar_encname(id)) + '\t' + std::to_string(confidence) + '\t' + location + '\n';
    out->append(row.data(), row.size());
    return out->flush();
}

}  // namespace

int runDetect(int count, char* const* arguments) {
    CommandLine line;
    std::string problem;
    if (!line.parse(count, arguments, {}, &problem)) return usageError("detect", problem);
    if (line.wantsHelp()) return printCommandHelp("detect");
    if (line.operands().empty()) return usageError("detect", "missing LOCATION");

    ServiceModule module;
    std::string loadError;
    if (!module.load(&loadError)) return failure(loadError);
    const int requested = defaultEncoding();
    BufferedOutput out(1);
    return forEachLocation(module.service(), line.operands(), &out, [&](const char* location) {
        return detectOne(module.service(), location, requested, &out);
    });
}

}  // namespace vrbio
