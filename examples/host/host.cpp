// A host of the vrbaseio module: prints a text file's lines and a
// directory's entries. Built against the installed SDK (CMakeLists.txt here,
// or pkg-config vrbaseio), the module loaded at run time.
//
// Usage: vrbaseio-host FILE DIRECTORY
// Output: "line N: TEXT" for every line, then "entry d NAME" or "entry - NAME"
// for every entry; a failure goes to standard error and the status is 1.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vrbaseio/VrbIO.h"
#include "vrbclass/VrbServiceModule.h"

#ifndef VRBASEIO_MODULE_PATH
#define VRBASEIO_MODULE_PATH nullptr   // the search rule of VrbServiceModule.h finds it
#endif

namespace {

bool printLines(VrbIO* io, const char* location, VrbString* error) {
    // Lines come back in UTF-8, the encoding from a byte-order mark when the
    // file has one, else the locale's.
    VrbTxtFile* file = io->openTextFile(VrbString(location, false), VrbTxtFileRead, -1,
                                        static_cast<int>(VRB_TXT_DETECT_BOM), error);
    if (!file) return false;
    char* text;
    bool endOfLine;
    int length;
    int number = 0;
    // The text stays valid until the next call on the file; 0 without an
    // ended line is the end of the file.
    while ((length = file->readLine(-1, &text, &endOfLine)) > 0 || endOfLine)
        std::printf("line %d: %.*s\n", ++number, length, text);
    bool read = length == 0;
    if (!read) *error = file->errorText();   // a string the module made, freed here by the host
    file->destroy();
    return read;
}

bool printEntries(VrbIO* io, const char* location, VrbString* error) {
    VrbDirectoryListing* listing = io->openDirectory(VrbString(location, false), 0, error);
    if (!listing) return false;
    while (listing->next())
        std::printf("entry %c %s\n", listing->isDirectory() ? 'd' : '-', listing->name().asCstr());
    // After next() gave false, a non-empty errorText() means the listing broke off.
    VrbString why = listing->errorText();
    listing->destroy();
    if (why.empty()) return true;
    *error = why;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vrbaseio-host FILE DIRECTORY\n");
        return 2;
    }
    VrbString reason;
    VrbString modulePath;
    VrbIOInitializeFunction initialize = vrbFindServiceModule(VRBASEIO_MODULE_PATH, &modulePath, &reason);
    if (!initialize) {
        std::fprintf(stderr, "vrbaseio-host: %s\n", reason.asCstr());
        return 1;
    }
    VrbIO* io = initialize();
    if (!io) {
        std::fprintf(stderr, "vrbaseio-host: %s cannot create its service: out of memory\n", modulePath.asCstr());
        return 1;
    }

    // The host's own text in the error string: a failing open replaces it,
    // freeing the host's buffer inside the module.
    static const char kNothing[] = "no error";
    VrbString error(kNothing, std::strlen(kNothing));
    int status = 0;
    if (!printLines(io, argv[1], &error)) {
        std::fprintf(stderr, "vrbaseio-host: %s\n", error.asCstr());
        status = 1;
    }
    if (!printEntries(io, argv[2], &error)) {
        std::fprintf(stderr, "vrbaseio-host: %s\n", error.asCstr());
        status = 1;
    }
    // Every object the service handed out is gone; the service goes last.
    io->destroy();
    return status;
}
