// The I/O service as hosts see it. Operations are declared in slot order;
// hosts call them through their slots, so never reorder.
#pragma once

#include "vrbaseio/VrbDirectoryListing.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"

class VrbIO {
public:
    virtual VrbDirectoryListing* openDirectory(const VrbString& location, int listingFlags, VrbString* error) = 0;
    virtual VrbTxtFile* openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                                     VrbString* error) = 0;
    virtual void destroy() = 0;

protected:
    ~VrbIO() = default;
};

// Text-open flags.
enum : unsigned {
    VRB_TXT_WRITE_BOM = 0x00100000u,
    VRB_TXT_CHECK_ONLY = 0x00200000u,
    VRB_TXT_NUL_AS_FFFD = 0x00400000u,
    VRB_TXT_DETECT_BOM = 0x00800000u,
    VRB_TXT_NEWLINE_NEL = 0x10000000u,
    VRB_TXT_NEWLINE_LF = 0x20000000u,
    VRB_TXT_NEWLINE_CRLF = 0x40000000u,
    VRB_TXT_NEWLINE_CR = 0x80000000u,
};

// Listing flags.
enum : unsigned {
    VRB_LIST_FILES_ONLY = 0x40000000u,
    VRB_LIST_DIRS_ONLY = 0x80000000u,
};

// The one exported function: a new service, or null when memory is short.
// The name and signature are what hosts look up at run time.
typedef VrbIO* (*VrbIOInitializeFunction)();
#define VRB_IO_INITIALIZE_NAME "VrbIOInitialize"
