// What the suites need of the platform they run on, behind one interface:
// loading the service module, where a program or module lives on disk, and
// the system's own texts for its error codes.
#pragma once

#include <string>

#include "vrbaseio/VrbIO.h"

namespace vrbtest {

// The separator the file layer writes between a directory and an entry.
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Sets the TZ variable for the local dates made meanwhile.
class TimeZone {
public:
    explicit TimeZone(const char* zone);
    ~TimeZone();
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    bool hadZone_ = false;
    std::string previous_;
};

// For the life of the object, the environment names a locale whose
// character set is `charmap` (a charmap name of the C library), where the
// platform lets a process choose one: on POSIX systems a locale compiled
// into a directory of its own. Windows takes the set from the system's
// code page, which a process cannot change: arranged() is false there.
class LocaleCharset {
public:
    explicit LocaleCharset(const char* charmap);
    ~LocaleCharset();
    LocaleCharset(const LocaleCharset&) = delete;
    LocaleCharset& operator=(const LocaleCharset&) = delete;
    bool arranged() const { return arranged_; }

private:
    bool arranged_ = false;
    std::string directory_;
    std::string saved_[2];
    bool had_[2] = {false, false};
};

// A module loaded for the life of the object.
class LoadedModule {
public:
    // The module at `path`, through the host class library's loader; it
    // stays loaded until the process ends.
    explicit LoadedModule(const char* path);
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    // Null when the module did not load or lacks the entry; error() says why.
    VrbIOInitializeFunction entry() const { return entry_; }
    const std::string& error() const { return error_; }

private:
    VrbIOInitializeFunction entry_ = nullptr;
    std::string error_;
};

// The running program's file, with its links resolved.
std::string programPath();
// The file of the module (program or library) that holds `address`; empty
// when the system cannot tell.
std::string moduleFileOf(const void* address);
// The same file named two ways compares equal after this.
std::string canonicalPath(const std::string& path);
// Makes a file read-only or writable the platform's way: the permission
// bits on POSIX systems, the read-only attribute on Windows.
bool setReadOnly(const std::string& path, bool readOnly);
// The system's text for one of its error codes, as the file layer reports it.
std::string systemErrorText(int code);
// That text as catalogue messages show it, with the code after it.
std::string systemErrorMessage(int code);

}  // namespace vrbtest
