// The entries of one directory, fetched a page at a time with
// LISTSTATUS_BATCH (each page starts after the last name of the one before),
// so that no directory is ever held whole. The iterator keeps its own HTTP
// client and settings: it outlives the file system that opened it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "WebHdfsClient.h"
#include "file_status_json.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsDirIterator final : public HadoopDirIterator {
public:
    // Checks that the path is a directory and fetches the first page; null
    // with *message on failure.
    static WebHdfsDirIterator* open(const WebHdfsEndpoint& endpoint, const std::string& path, std::string* message);
    ~WebHdfsDirIterator() = default;

    void reserved1() override;
    // extraValue: the entry's length in bytes. readOnly: by the write bit
    // that applies to the connection's effective user
    // (doas when given, else user; file_status_json.h).
    bool next(VrbString* name, std::int64_t* extraValue, VrbDate* date, int* timeStamp, bool* isDirectory,
              bool* isReadOnly, VrbString* error) override;
    void release() override;

private:
    WebHdfsDirIterator(const WebHdfsEndpoint& endpoint, std::string path);

    // The page after the last name seen; false with failure_ set.
    bool fetchPage();

    WebHdfsClient client_;
    std::string path_;
    std::string user_;                    // whose write permission isReadOnly reflects
    std::vector<WebHdfsEntry> page_;
    std::size_t nextEntry_ = 0;
    std::int64_t remainingEntries_ = 0;   // entries the server has beyond this page
    std::string failure_;                 // once listing failed, every later next() says so
};

}  // namespace vrhadoop
