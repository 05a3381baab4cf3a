// A scripted access library for fault injection in the Hadoop backend: it
// records every call and release, hands out chosen pieces and fails on
// request. The real library is tested against a real cluster elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hadoop/VRHadoop.h"

namespace fakehadoop {

struct Entry {
    std::string name;
    std::int64_t extra;
    bool isDirectory;
    bool isReadOnly;
    int timeStamp;
};

struct Script {
    // Files: content handed out in pieces of these sizes (the last repeats).
    std::string content;
    std::vector<int> pieces;
    // Failures.
    bool failCreate = false, failConnect = false, failFileSystem = false, failOpenFile = false;
    bool failDirIterator = false;
    int failWriteCall = -1;   // 0-based write call that fails
    bool failClose = false;
    int failNextAt = -1;      // listing: entry index whose next() fails
    std::vector<Entry> entries;

    // What happened.
    std::vector<std::string> calls;   // "write 16384", "close", "release file", ...
    std::string written;
    std::string openedPath;
    int openedMode = -1;
    int openedBufferSize = 0;
    std::string listedPath;
};

// The script the next vrHadoopCreate uses; tests set it up before opening.
Script& script();
void reset();
int countCalls(const std::string& prefix);

}  // namespace fakehadoop
