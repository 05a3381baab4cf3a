// An in-memory file system behind the WebHDFS interface, on a loopback HTTP
// server: the NameNode answers metadata calls and redirects reads and writes
// to "/datanode/..." on the same server, which serves and takes the data.
// `intercept` may answer any request first, to inject faults.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"

namespace vrhadooptest {

class FakeWebHdfs {
public:
    struct Node {
        bool directory = false;
        std::string content;
        int permission = 0644;
        std::string owner = "alice";
        std::int64_t modificationTime = 1700000000123;   // milliseconds
        std::int64_t statedLength = -1;   // when not negative, the length a status gives instead of the content's
        std::int64_t fileId = 0;          // a new one for each file made
    };
    using Interceptor = std::function<std::optional<HttpReply>(const HttpRequest&)>;

    FakeWebHdfs();

    // Parents are made as needed.
    void addFile(const std::string& path, std::string content, int permission = 0644, std::string owner = "alice");
    void addDirectory(const std::string& path, int permission = 0755, std::string owner = "alice");
    std::optional<Node> node(const std::string& path) const;
    // Makes a status of the file at `path` give `length` bytes, however
    // long its content, and the modification time (milliseconds since 1970).
    void stateLengthAndTime(const std::string& path, std::int64_t length, std::int64_t modificationTime);

    void setIntercept(Interceptor intercept);
    void setPageSize(std::size_t entries);

    // "hadoop://127.0.0.1:PORT" + path (written as given) + query.
    std::string uri(const std::string& path, const std::string& query = "") const;
    std::string authority() const { return server_.authority(); }
    // Answers a request as this fake's own server does (intercept
    // included): a second server may serve the same namespace as a second
    // NameNode of the cluster.
    HttpReply serve(const HttpRequest& request) { return handle(request); }
    std::vector<HttpRequest> requests() const { return server_.requests(); }
    // Requests of one WebHDFS operation; toDataNode picks the redirected half.
    std::size_t count(const std::string& op, bool toDataNode) const;

private:
    HttpReply handle(const HttpRequest& request);
    HttpReply nameNode(const HttpRequest& request, const std::string& op, const std::string& path);
    HttpReply dataNode(const HttpRequest& request, const std::string& op, const std::string& path);
    HttpReply listBatch(const HttpRequest& request, const std::string& path);
    void makeParents(const std::string& path);

    mutable std::mutex mutex_;
    std::map<std::string, Node> nodes_;
    Interceptor intercept_;
    std::size_t pageSize_ = 1000;
    std::int64_t lastFileId_ = 16386;
    LoopbackHttpServer server_;   // last: its threads stop before the rest goes
};

// {"RemoteException": {...}} with the given exception and message.
HttpReply remoteException(int status, const std::string& exception, const std::string& message);

}  // namespace vrhadooptest
