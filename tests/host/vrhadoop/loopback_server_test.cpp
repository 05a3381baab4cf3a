// The loopback server against a client that writes HTTP by hand, so that
// what the access library's tests rely on holds on every platform: the
// request as parsed, keep-alive, a client that leaves in mid-body, and the
// replies that misbehave on purpose.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackHttpServer.h"
#include "loopback_socket.h"

namespace vrhadooptest {
namespace {

// One client connection; closes on destruction.
class RawClient {
public:
    explicit RawClient(int port) : socket_(connectToLoopback(port)) {}
    ~RawClient() {
        if (socket_ != kNoSocket) closeSocket(socket_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return socket_ != kNoSocket; }
    bool send(const std::string& bytes) { return sendAll(socket_, bytes.data(), bytes.size()); }
    void leave() {
        closeSocket(socket_);
        socket_ = kNoSocket;
    }

    // What arrives until a whole reply (head and Content-Length bytes) is
    // in, the server closes, or 5 s pass; *closed says whether it closed.
    std::string reply(bool* closed) {
        std::string data;
        *closed = false;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!whole(data) && std::chrono::steady_clock::now() < deadline) {
            char buffer[4096];
            long got = receiveWithin(socket_, buffer, sizeof buffer, 50);
            if (got < 0) {
                *closed = true;
                break;
            }
            data.append(buffer, static_cast<std::size_t>(got));
        }
        return data;
    }

private:
    static bool whole(const std::string& data) {
        std::size_t end = data.find("\r\n\r\n");
        if (end == std::string::npos) return false;
        std::size_t length = data.find("Content-Length: ");
        if (length == std::string::npos || length > end) return true;
        return data.size() - end - 4 >= std::stoul(data.substr(length + 16));
    }

    SocketHandle socket_;
};

std::vector<HttpRequest> requestsWithin(const LoopbackHttpServer& server, std::size_t count) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server.requests().size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return server.requests();
}

TEST(LoopbackHttpServer, ParsesRequestsAndKeepsTheConnection) {
    LoopbackHttpServer server([](const HttpRequest& request) {
        return HttpReply::json(201, "[" + request.method + " " + request.body + "]");
    });
    struct Case {
        std::string sent;
        std::string method, path, body;
        std::map<std::string, std::string> query;
    };
    const std::vector<Case> cases = {
        {"GET /webhdfs/v1/a%20b?op=OPEN&user.name=%C3%A9&flag HTTP/1.1\r\nHost: x\r\n\r\n", "GET",
         "/webhdfs/v1/a%20b", "", {{"op", "OPEN"}, {"user.name", "\xC3\xA9"}, {"flag", ""}}},
        {"PUT /f HTTP/1.1\r\nContent-Length: 12\r\nContent-Type: application/octet-stream\r\n\r\nhello\r\nworld",
         "PUT", "/f", "hello\r\nworld", {}},
        {"POST /g?op=APPEND HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n3;ext=1\r\nfgh\r\n0\r\nX-T: 1\r\n\r\n",
         "POST", "/g", "abcdefgh", {{"op", "APPEND"}}},
    };
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    for (const Case& c : cases) {
        ASSERT_TRUE(client.send(c.sent));
        bool closed = false;
        std::string body = "[" + c.method + " " + c.body + "]";
        EXPECT_EQ(client.reply(&closed), "HTTP/1.1 201 Created\r\nContent-Type: application/json\r\nContent-Length: " +
                                             std::to_string(body.size()) + "\r\n\r\n" + body);
        EXPECT_FALSE(closed);
    }
    std::vector<HttpRequest> seen = server.requests();
    ASSERT_EQ(seen.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(seen[i].method, cases[i].method);
        EXPECT_EQ(seen[i].path, cases[i].path);
        EXPECT_EQ(seen[i].query, cases[i].query) << i;
        EXPECT_EQ(seen[i].body, cases[i].body);
        EXPECT_TRUE(seen[i].bodyComplete);
        EXPECT_EQ(seen[i].connection, 1);
    }
    EXPECT_EQ(seen[0].headers.at("host"), "x");
    EXPECT_EQ(server.connectionsAccepted(), 1);
}

TEST(LoopbackHttpServer, AClientThatLeavesInMidBodyIsRecordedAndNotAnswered) {
    std::atomic<int> answered{0};
    LoopbackHttpServer server([&answered](const HttpRequest&) {
        ++answered;
        return HttpReply::json(200, "{}");
    });
    {
        RawClient client(server.port());
        ASSERT_TRUE(client.send("PUT /f HTTP/1.1\r\nContent-Length: 100\r\n\r\nonly this"));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        client.leave();
    }
    std::vector<HttpRequest> seen = requestsWithin(server, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].bodyComplete);
    EXPECT_EQ(seen[0].path, "/f");
    EXPECT_EQ(answered, 0);
}

TEST(LoopbackHttpServer, MisbehavingRepliesEndTheConnection) {
    struct Case {
        const char* name;
        HttpReply reply;
        std::string received;
    };
    HttpReply truncated = HttpReply::json(200, "0123456789");
    truncated.truncateBodyAt = 4;
    HttpReply unanswered;
    unanswered.closeWithoutAnswer = true;
    for (const Case& c : {
             Case{"truncated", truncated,
                  "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 10\r\n\r\n0123"},
             Case{"closed", unanswered, ""},
         }) {
        LoopbackHttpServer server([&c](const HttpRequest&) { return c.reply; });
        RawClient client(server.port());
        ASSERT_TRUE(client.send("GET / HTTP/1.1\r\n\r\n"));
        bool closed = false;
        EXPECT_EQ(client.reply(&closed), c.received) << c.name;
        EXPECT_TRUE(closed) << c.name;
    }
}

TEST(LoopbackHttpServer, NothingListensOnTheUnusedPort) {
    RawClient client(unusedLoopbackPort());
    EXPECT_FALSE(client.connected());
}

}  // namespace
}  // namespace vrhadooptest
