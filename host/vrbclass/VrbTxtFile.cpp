#include "vrbclass/VrbTxtFile.h"

#include <climits>
#include <cstring>

namespace {

// Hands `text` to `write` with its length as an int. Text longer than the
// int range fails instead of being written cut off; a null text is empty.
template <typename Write>
bool forward(const char* text, std::size_t length, Write write) {
    if (length > static_cast<std::size_t>(INT_MAX)) return false;
    return write(text ? text : "", static_cast<int>(length));
}

std::size_t lengthOf(const char* text) noexcept { return text ? std::strlen(text) : 0; }

}  // namespace

bool VrbTxtFile::write(const VrbString& text, int width) {
    return forward(text.asCstr(), text.length(),
                   [&](const char* bytes, int length) { return write(bytes, length, width); });
}

bool VrbTxtFile::write(const VrbString& text) {
    return forward(text.asCstr(), text.length(), [&](const char* bytes, int length) { return write(bytes, length); });
}

bool VrbTxtFile::write(const char* text) {
    return forward(text, lengthOf(text), [&](const char* bytes, int length) { return write(bytes, length); });
}

bool VrbTxtFile::writeln(const VrbString& text, int width) {
    return forward(text.asCstr(), text.length(),
                   [&](const char* bytes, int length) { return writeln(bytes, length, width); });
}

bool VrbTxtFile::writeln(const VrbString& text) {
    return forward(text.asCstr(), text.length(), [&](const char* bytes, int length) { return writeln(bytes, length); });
}

bool VrbTxtFile::writeln(const char* text) {
    return forward(text, lengthOf(text), [&](const char* bytes, int length) { return writeln(bytes, length); });
}
