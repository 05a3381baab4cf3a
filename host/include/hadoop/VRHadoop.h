// The Hadoop access library: native access to a Hadoop file system over its
// WebHDFS REST interface. Objects are reached through virtual operations
// whose positions are fixed (components built separately call them by
// position): never reorder, only append. Every object lives on the heap and
// ends through its release operation. No operation throws.
//
// Objects are independent once made: a file or a directory iterator keeps
// its own settings and HTTP connection and stays usable after its file
// system and connection are released (the VRHadoop object must stay until
// the last of them is released). Messages name the path and carry the
// server's own words; they never show a delegation token. Nothing waits
// longer than 5 s for a connection or 30 s for a byte.
#pragma once

#include <cstdint>

#include "vrbclass/VrbDate.h"
#include "vrbclass/VrbString.h"

class VrURI;
class HadoopConnection;
class HadoopFileSystem;
class HadoopFile;
class HadoopDirIterator;

// What a file system reports of one path.
struct HadoopFileStatus {
    bool exists = false;
    bool isDirectory = false;
    std::int64_t length = 0;
    std::int64_t modificationTime = 0;   // milliseconds since 1970 UTC
    int permission = 0;                  // octal bits, e.g. 0644
    VrbString owner;
    VrbString group;
};

class VRHadoop {
public:
    // 1: a connection to the file system a "hadoop" URI names (authority,
    //    user, delegation token, https), or null with a message in *error
    //    when the URI cannot name one (VrHadoopURI::validate). Nothing is
    //    contacted yet: an unreachable NameNode shows at the first call.
    virtual HadoopConnection* connect(VrURI* uri, VrbString* error) = 0;
    // 2: the library's version text.
    virtual const char* version() = 0;
    // 3: the file system reached over the connection, or null with a message.
    virtual HadoopFileSystem* openFileSystem(HadoopConnection* connection, VrbString* error) = 0;
    // 4, 5: reserved.
    virtual void reserved4() = 0;
    virtual void reserved5() = 0;
    // 6: releases the object.
    virtual void release() = 0;

protected:
    ~VRHadoop() = default;
};

class HadoopConnection {
public:
    // 1: "http://HOST:PORT" or "https://HOST:PORT" of the NameNode.
    virtual VrbString endpoint() = 0;
    // 2: the user the connection acts as (empty: the server's default).
    virtual VrbString user() = 0;
    // 3: releases the object.
    virtual void release() = 0;

protected:
    ~HadoopConnection() = default;
};

class HadoopFileSystem {
public:
    // 1: creates a directory and its parents; false with a message.
    virtual bool makeDirectory(const VrbString& path, int permission, VrbString* error) = 0;
    // 2: deletes a path (recursively when asked); false with a message.
    //    A path that does not exist is no failure.
    virtual bool remove(const VrbString& path, bool recursive, VrbString* error) = 0;
    // 3: the status of a path; a missing path gives true with exists false.
    virtual bool status(const VrbString& path, HadoopFileStatus* status, VrbString* error) = 0;
    // 4: sets a path's permission bits (octal); false with a message.
    virtual bool setPermission(const VrbString& path, int permission, VrbString* error) = 0;
    // 5: reserved.
    virtual void reserved5() = 0;
    // 6: an iterator over a directory's entries, or null with a message. It
    //    stays usable after its file system and connection are released.
    virtual HadoopDirIterator* openDirIterator(int reserved, const VrbString& path, VrbString* error) = 0;
    // 7: opens a file: mode 1 reads, 2 creates or overwrites, 0 appends
    //    (creating a missing file). A directory or, for reading, a missing
    //    file is refused. `flags` (the text-open flags) are not used;
    //    bufferSize is the caller's block size (a read streams the rest of
    //    the file in one request regardless). Null with a message on
    //    failure.
    virtual HadoopFile* openFile(int reserved, const VrbString& path, int openMode, int flags, int bufferSize,
                                 VrbString* error) = 0;
    // 8: releases the object.
    virtual void release() = 0;

protected:
    ~HadoopFileSystem() = default;
};

class HadoopFile {
public:
    // 1: completes what was written (ends the upload and reads the server's
    //    answer) and closes. Calling it again repeats the first verdict and
    //    its message; a failed upload never turns into a success.
    virtual bool close(VrbString* error) = 0;
    // 2: the file's size in bytes.
    virtual std::int64_t size() = 0;
    // 3: the next bytes, never more than maxBytes, with *data valid until the
    //    next call on the file and followed by at least 16 zero bytes; 0 at
    //    end of file; negative with a message on failure.
    virtual int read(int reserved, char** data, int maxBytes, VrbString* error) = 0;
    // 4: releases the object. An upload not completed by close is
    //    abandoned: nothing more is sent and the connection is dropped; the
    //    file may keep what the server had received.
    virtual void release() = 0;
    // 5: takes all `length` bytes for writing; false with a message. The
    //    bytes stream to the server as one upload. After a failure every
    //    later write fails with the same message.
    virtual bool write(int reserved, const char* data, int length, VrbString* error) = 0;

protected:
    ~HadoopFile() = default;
};

class HadoopDirIterator {
public:
    // 1: reserved.
    virtual void reserved1() = 0;
    // 2: the next entry: name, extra value (the entry's length in bytes),
    //    modification date (local time) and time stamp (seconds since 1970
    //    UTC, kept within the int range), directory and read-only state.
    //    Read-only means that the connection's user may not write the entry
    //    by its permission bits: the owner's write bit when the user owns it,
    //    else the bit for others (a client cannot know the user's groups, so
    //    group bits are not consulted). False at the end (error left
    //    untouched) or on failure (with a message). Output pointers may be
    //    null.
    virtual bool next(VrbString* name, std::int64_t* extraValue, VrbDate* date, int* timeStamp, bool* isDirectory,
                      bool* isReadOnly, VrbString* error) = 0;
    // 3: releases the object.
    virtual void release() = 0;

protected:
    ~HadoopDirIterator() = default;
};

// The library's root object, or null with a message in *error.
VRHadoop* vrHadoopCreate(VrbString* error);
