#include "FakeHadoop.h"

#include <algorithm>
#include <cstring>

#include "vrbclass/VrURI.h"

namespace fakehadoop {
namespace {

Script current;

void note(const std::string& call) { current.calls.push_back(call); }

class File final : public HadoopFile {
public:
    // Room up front, so that reads allocate nothing of their own.
    File() { piece.reserve(1 << 16); }
    bool close(VrbString* error) override {
        note("close");
        if (current.failClose) {
            error->assign("fake close failure");
            return false;
        }
        return true;
    }
    std::int64_t size() override { return static_cast<std::int64_t>(current.content.size()); }
    int read(int, char** data, int maxBytes, VrbString*) override {
        std::size_t left = current.content.size() - offset;
        std::size_t size = left;
        if (!current.pieces.empty()) {
            size = static_cast<std::size_t>(current.pieces[std::min(nextPiece++, current.pieces.size() - 1)]);
        }
        size = std::min({size, left, static_cast<std::size_t>(maxBytes)});
        piece.assign(size + 16, '\0');
        std::memcpy(piece.data(), current.content.data() + offset, size);
        offset += size;
        *data = piece.data();
        return static_cast<int>(size);
    }
    void release() override {
        note("release file");
        delete this;
    }
    bool write(int, const char* data, int length, VrbString* error) override {
        int call = writes++;
        note("write " + std::to_string(length));
        if (call == current.failWriteCall) {
            error->assign("fake write failure");
            return false;
        }
        current.written.append(data, static_cast<std::size_t>(length));
        return true;
    }

private:
    std::size_t offset = 0;
    std::size_t nextPiece = 0;
    int writes = 0;
    std::string piece;
};

class Iterator final : public HadoopDirIterator {
public:
    void reserved1() override {}
    bool next(VrbString* name, std::int64_t* extra, VrbDate* date, int* timeStamp, bool* isDirectory,
              bool* isReadOnly, VrbString* error) override {
        if (index == current.failNextAt) {
            error->assign("fake listing failure");
            return false;
        }
        if (index >= static_cast<int>(current.entries.size())) return false;
        const Entry& entry = current.entries[static_cast<std::size_t>(index++)];
        name->assign(entry.name.c_str());
        *extra = entry.extra;
        date->assign(2026, 1, 2, 3, 4, 5, 0);
        *timeStamp = entry.timeStamp;
        *isDirectory = entry.isDirectory;
        *isReadOnly = entry.isReadOnly;
        return true;
    }
    void release() override {
        note("release iterator");
        delete this;
    }

private:
    int index = 0;
};

class FileSystem final : public HadoopFileSystem {
public:
    bool makeDirectory(const VrbString&, int, VrbString*) override { return true; }
    bool remove(const VrbString&, bool, VrbString*) override { return true; }
    bool status(const VrbString&, HadoopFileStatus*, VrbString*) override { return true; }
    bool setPermission(const VrbString&, int, VrbString*) override { return true; }
    void reserved5() override {}
    HadoopDirIterator* openDirIterator(int, const VrbString& path, VrbString* error) override {
        current.listedPath = path.asCstr();
        if (current.failDirIterator) {
            error->assign("fake iterator failure");
            return nullptr;
        }
        return new Iterator();
    }
    HadoopFile* openFile(int, const VrbString& path, int mode, int, int bufferSize, VrbString* error) override {
        current.openedPath = path.asCstr();
        current.openedMode = mode;
        current.openedBufferSize = bufferSize;
        if (current.failOpenFile) {
            error->assign("fake open failure");
            return nullptr;
        }
        return new File();
    }
    void release() override {
        note("release file system");
        delete this;
    }
};

class Connection final : public HadoopConnection {
public:
    VrbString endpoint() override { return VrbString("http://fake", true); }
    VrbString user() override { return VrbString(); }
    void release() override {
        note("release connection");
        delete this;
    }
};

class Root final : public VRHadoop {
public:
    HadoopConnection* connect(VrURI*, VrbString* error) override {
        if (current.failConnect) {
            error->assign("fake connect failure");
            return nullptr;
        }
        return new Connection();
    }
    const char* version() override { return "fake"; }
    HadoopFileSystem* openFileSystem(HadoopConnection*, VrbString* error) override {
        if (current.failFileSystem) {
            error->assign("fake file system failure");
            return nullptr;
        }
        return new FileSystem();
    }
    void reserved4() override {}
    void reserved5() override {}
    void release() override {
        note("release hadoop");
        delete this;
    }
};

}  // namespace

Script& script() { return current; }
void reset() { current = Script(); }
int countCalls(const std::string& prefix) {
    return static_cast<int>(std::count_if(current.calls.begin(), current.calls.end(),
                                          [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

}  // namespace fakehadoop

VRHadoop* vrHadoopCreate(VrbString* error) {
    if (fakehadoop::script().failCreate) {
        error->assign("fake create failure");
        return nullptr;
    }
    return new fakehadoop::Root();
}
