// A small HTTP/1.1 server on 127.0.0.1 for the access library's tests: every
// request goes to a handler whose reply may also misbehave on purpose. Each
// connection is served by its own thread; connections are kept alive.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loopback_socket.h"

namespace vrhadooptest {

struct HttpRequest {
    std::string method;
    std::string target;                          // as sent: path and query, still encoded
    std::string path;                            // the target's path, still encoded
    std::map<std::string, std::string> query;    // decoded names and values
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    bool bodyComplete = true;                    // false when the client left in mid-body
    int connection = 0;                          // which connection carried it (from 1)
};

struct HttpReply {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Misbehaviour: close after this many body bytes (with the full length
    // announced), close without answering, never answer at all, or send
    // the body a byte at a time this many milliseconds apart (a trickle).
    long truncateBodyAt = -1;
    long trickleMs = -1;
    bool closeWithoutAnswer = false;
    bool neverAnswer = false;

    static HttpReply json(int status, std::string body);
    static HttpReply redirect(std::string location);
};

class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    std::string authority() const { return "127.0.0.1:" + std::to_string(port_); }
    // Every request so far, complete or not, in arrival order.
    std::vector<HttpRequest> requests() const;
    int connectionsAccepted() const { return connections_.load(); }

private:
    void acceptLoop();
    void serve(SocketHandle socket, int connection);
    void record(const HttpRequest& request);

    Handler handler_;
    SocketHandle listener_ = kNoSocket;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::vector<HttpRequest> requests_;
};

// A port on 127.0.0.1 where nothing listens.
int unusedLoopbackPort();

std::string percentDecode(const std::string& text);

}  // namespace vrhadooptest
