#include "vrbclass/vrb_path.h"

#include "path_style.h"

namespace vrbpath {
namespace {

bool isDriveLetter(const char* path) noexcept {
    char c = path[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
}

// Length of the part that splitting never cuts: the root ("/", "C:\", a UNC
// "\\server\share\") or a bare drive ("C:").
unsigned rootLength(const char* path, unsigned length, PathStyle style) noexcept {
    unsigned end = 0;
    if (style == PathStyle::Windows) {
        if (isDriveLetter(path)) {
            end = 2;
        } else if (length >= 2 && isSeparator(path[0], style) && isSeparator(path[1], style)) {
            // UNC: two separators, the server, one separator, the share.
            end = 2;
            for (int component = 0; component < 2 && end < length; ++component) {
                if (component == 1) ++end;
                while (end < length && !isSeparator(path[end], style)) ++end;
            }
            return end < length ? end + 1 : end;
        }
    }
    while (end < length && isSeparator(path[end], style)) ++end;
    return end;
}

}  // namespace

VrbString concatPath(const VrbString& directory, const VrbString& name, PathStyle style) noexcept {
    if (name.empty()) return directory;
    if (directory.empty()) return name;
    const char* dir = directory.asCstr();
    const char* tail = name.asCstr();
    bool dirEndsInSeparator = isSeparator(dir[directory.length() - 1], style);
    bool driveOnly = style == PathStyle::Windows && directory.length() == 2 && isDriveLetter(dir);
    VrbString result = directory;
    bool failed = result.isNull();
    if (dirEndsInSeparator) {
        while (isSeparator(*tail, style)) ++tail;
    } else if (!isSeparator(*tail, style) && !driveOnly) {
        char separator = preferredSeparator(style);
        result.append(&separator, 1, &failed);
    }
    result.append(tail, &failed);
    if (failed) result.setNull();
    return result;
}

VrbString parsePath(const VrbString& path, VrbString* name, PathStyle style) noexcept {
    const char* text = path.asCstr();
    unsigned length = path.length();
    unsigned root = rootLength(text, length, style);
    unsigned last = length;
    for (unsigned i = length; i > root; --i) {
        if (isSeparator(text[i - 1], style)) {
            last = i - 1;
            break;
        }
    }
    if (last == length) {
        if (name) *name = path.substring(root, length - root);
        return path.substring(0, root);
    }
    if (name) *name = path.substring(last + 1, length - last - 1);
    unsigned dirEnd = last;
    while (dirEnd > root && isSeparator(text[dirEnd - 1], style)) --dirEnd;
    return path.substring(0, dirEnd);
}

}  // namespace vrbpath

VrbString vrbConcatPath(const VrbString& directory, const VrbString& name) {
    return vrbpath::concatPath(directory, name, vrbpath::kNativePathStyle);
}

VrbString vrbParsePath(const VrbString& path, VrbString* name) {
    return vrbpath::parsePath(path, name, vrbpath::kNativePathStyle);
}
