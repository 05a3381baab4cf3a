// Path conventions of the platforms, so that either set of rules can be
// applied (and tested) on any platform.
#pragma once

namespace vrbpath {

enum class PathStyle {
    Posix,     // "/" separates; a leading "/" is the root
    Windows,   // "\" and "/" separate, "\" is written; drive letters and UNC prefixes
};

#if defined(_WIN32)
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

inline bool isSeparator(char c, PathStyle style) noexcept {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

inline char preferredSeparator(PathStyle style) noexcept { return style == PathStyle::Windows ? '\\' : '/'; }

}  // namespace vrbpath

#include "vrbclass/VrbString.h"

namespace vrbpath {

// vrbConcatPath and vrbParsePath by the rules of `style`.
VrbString concatPath(const VrbString& directory, const VrbString& name, PathStyle style) noexcept;
VrbString parsePath(const VrbString& path, VrbString* name, PathStyle style) noexcept;

}  // namespace vrbpath
