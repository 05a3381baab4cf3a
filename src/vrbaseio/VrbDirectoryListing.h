// A directory listing as hosts see it; operations in slot order.
#pragma once

#include "vrbclass/VrbDate.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"

class VrbDirectoryListing {
public:
    virtual VrbString concatPath(const VrbString& directory, const VrbString& name) = 0;   // 1
    virtual VrbString errorText() = 0;                                                       // 2
    virtual VrbString fullPath() = 0;                                                        // 3
    virtual VrbString name() = 0;                                                            // 4
    virtual int extraValue() = 0;                                                            // 5
    virtual VrbDate date() = 0;                                                              // 6
    virtual int timeStamp() = 0;                                                             // 7
    virtual bool isDirectory() = 0;                                                          // 8
    virtual bool isReadOnly() = 0;                                                           // 9
    virtual bool next() = 0;                                                                 // 10
    virtual VrbTxtFile* openTextFile(int openMode, int encoding, int flags, VrbString* error) = 0;  // 11
    virtual VrbString splitPath(const VrbString& path, VrbString* name) = 0;                // 12
    virtual void destroy() = 0;                                                              // 13

protected:
    ~VrbDirectoryListing() = default;
};
