// A directory listing as hosts see it; operations in slot order.
#pragma once

#include "vrbclass/VrbDate.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/VrbTxtFile.h"

// One directory's entries, one at a time. The entry operations (3 to 9,
// 11) speak of the entry the last successful next() moved to: before the
// first next() they give empty or zero values, after next() gave false
// they mean nothing. Strings are copies the caller owns.
class VrbDirectoryListing {
public:
    // 1: `directory` and `name` joined with the separator of the listing's
    //    kind of location (a path, or a hadoop URI's path).
    virtual VrbString concatPath(const VrbString& directory, const VrbString& name) = 0;   // 1
    // 2: after next() gave false: empty at the natural end, else why the
    //    listing broke off (naming the directory). The last error otherwise.
    virtual VrbString errorText() = 0;                                                       // 2
    // 3: the current entry as a location that openTextFile and the service
    //    accept (a path, or a hadoop URI with the listing's cluster and user).
    virtual VrbString fullPath() = 0;                                                        // 3
    // 4: the current entry's name, without its directory.
    virtual VrbString name() = 0;                                                            // 4
    // 5: the entry's size in bytes, saturated at INT_MAX.
    virtual int extraValue() = 0;                                                            // 5
    // 6: when the entry was last modified, in local time.
    virtual VrbDate date() = 0;                                                              // 6
    // 7: the same as seconds since 1970 UTC, clamped to the int range (so
    //    negative before 1970, and INT_MAX from 2038-01-19 on).
    virtual int timeStamp() = 0;                                                             // 7
    // 8: whether the entry is a directory (a link to one counts).
    virtual bool isDirectory() = 0;                                                          // 8
    // 9: whether writing to the entry would be refused.
    virtual bool isReadOnly() = 0;                                                           // 9
    // 10: moves to the next entry ("." and ".." are never entries, and the
    //     flags' filter applies); false at the end or on failure.
    virtual bool next() = 0;                                                                 // 10
    // 11: the current entry opened as a text file, with openTextFile's
    //     arguments and results (see VrbIO); the service must outlive it.
    virtual VrbTxtFile* openTextFile(int openMode, int encoding, int flags, VrbString* error) = 0;  // 11
    // 12: `path` split at its last separator: returns the directory part and
    //     stores the name in *name.
    virtual VrbString splitPath(const VrbString& path, VrbString* name) = 0;                // 12
    // 13: ends the listing and frees it.
    virtual void destroy() = 0;                                                              // 13

protected:
    ~VrbDirectoryListing() = default;
};
