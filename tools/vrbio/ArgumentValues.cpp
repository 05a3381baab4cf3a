#include "ArgumentValues.h"

#include <climits>
#include <cstring>

#include "hx/hx_uchar.h"
#include "vrbaseio/VrbIO.h"

namespace vrbio {

namespace {

bool allDigits(const char* text) {
    for (; *text != '\0'; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

bool parseId(const char* text, int* id) {
    long long value = 0;
    for (; *text != '\0'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) return false;
    }
    *id = static_cast<int>(value);
    return true;
}

}  // namespace

bool resolveEncoding(const char* text, int* id) {
    if (*text == '\0') return false;
    // A number is an id only when the character-set layer knows it, as a name is.
    if (allDigits(text)) return parseId(text, id) && hx_uchar_encname(*id) != nullptr;
    int found = hx_uchar_getenc(text);
    if (found < 0 || hx_uchar_encname(found) == nullptr) return false;
    *id = found;
    return true;
}

bool resolveReadEncoding(const char* text, int* id, int* flags) {
    static constexpr char kAuto[] = "auto";
    bool isAuto = std::strlen(text) == sizeof kAuto - 1;
    for (std::size_t i = 0; isAuto && i < sizeof kAuto - 1; ++i) isAuto = (text[i] | 0x20) == kAuto[i];
    if (!isAuto) return resolveEncoding(text, id);
    *id = -1;
    *flags |= static_cast<int>(VRB_TXT_DETECT_ENCODING);
    return true;
}

bool newlineFlag(const char* name, int* flag) {
    static constexpr struct {
        const char* name;
        unsigned flag;
    } kNewlines[] = {
        {"lf", VRB_TXT_NEWLINE_LF},
        {"crlf", VRB_TXT_NEWLINE_CRLF},
        {"cr", VRB_TXT_NEWLINE_CR},
        {"nel", VRB_TXT_NEWLINE_NEL},
    };
    for (const auto& newline : kNewlines) {
        if (std::strcmp(newline.name, name) == 0) {
            *flag = static_cast<int>(newline.flag);
            return true;
        }
    }
    return false;
}

}  // namespace vrbio
