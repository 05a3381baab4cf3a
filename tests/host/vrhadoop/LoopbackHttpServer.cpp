#include "LoopbackHttpServer.h"

#include <cctype>
#include <chrono>

namespace vrhadooptest {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string statusText(int status) {
    switch (status) {
        case 200: return "OK";
        case 201: return "Created";
        case 307: return "Temporary Redirect";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}

// Buffered reads that give up when the client leaves or the server stops.
class SocketReader {
public:
    SocketReader(SocketHandle socket, const std::atomic<bool>& stopping) : socket_(socket), stopping_(stopping) {}

    bool readLine(std::string* line) {
        for (;;) {
            std::size_t end = buffer_.find("\r\n", position_);
            if (end != std::string::npos) {
                *line = buffer_.substr(position_, end - position_);
                position_ = end + 2;
                return true;
            }
            if (!fill()) return false;
        }
    }

    bool readExact(std::size_t count, std::string* out) {
        while (buffer_.size() - position_ < count) {
            if (!fill()) return false;
        }
        out->append(buffer_, position_, count);
        position_ += count;
        return true;
    }

private:
    bool fill() {
        if (position_ > 0) {
            buffer_.erase(0, position_);
            position_ = 0;
        }
        while (!stopping_) {
            char chunk[65536];
            long got = receiveWithin(socket_, chunk, sizeof chunk, 50);
            if (got < 0) return false;
            if (got == 0) continue;
            buffer_.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
        return false;
    }

    SocketHandle socket_;
    const std::atomic<bool>& stopping_;
    std::string buffer_;
    std::size_t position_ = 0;
};

void parseTarget(HttpRequest* request) {
    std::size_t question = request->target.find('?');
    request->path = request->target.substr(0, question);
    if (question == std::string::npos) return;
    std::string query = request->target.substr(question + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t amp = query.find('&', start);
        std::string parameter = query.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        std::size_t equals = parameter.find('=');
        request->query[percentDecode(parameter.substr(0, equals))] =
            equals == std::string::npos ? "" : percentDecode(parameter.substr(equals + 1));
        if (amp == std::string::npos) break;
        start = amp + 1;
    }
}

// The body by Content-Length or chunked encoding; false when the client
// left before it ended.
bool readBody(SocketReader& reader, HttpRequest* request) {
    auto encoding = request->headers.find("transfer-encoding");
    if (encoding != request->headers.end() && lowerCase(encoding->second).find("chunked") != std::string::npos) {
        for (;;) {
            std::string sizeLine;
            if (!reader.readLine(&sizeLine)) return false;
            std::size_t size = std::stoul(sizeLine, nullptr, 16);
            if (size == 0) {
                std::string trailer;
                do {
                    if (!reader.readLine(&trailer)) return false;
                } while (!trailer.empty());
                return true;
            }
            std::string crlf;
            if (!reader.readExact(size, &request->body) || !reader.readLine(&crlf)) return false;
        }
    }
    auto length = request->headers.find("content-length");
    return length == request->headers.end() || reader.readExact(std::stoul(length->second), &request->body);
}

}  // namespace

std::string percentDecode(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

HttpReply HttpReply::json(int status, std::string body) {
    HttpReply reply;
    reply.status = status;
    reply.headers.emplace_back("Content-Type", "application/json");
    reply.body = std::move(body);
    return reply;
}

HttpReply HttpReply::redirect(std::string location) {
    HttpReply reply;
    reply.status = 307;
    reply.headers.emplace_back("Location", std::move(location));
    return reply;
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = listenOnLoopback(&port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    acceptor_.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
    closeSocket(listener_);
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::record(const HttpRequest& request) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
}

void LoopbackHttpServer::acceptLoop() {
    while (!stopping_) {
        SocketHandle socket = acceptWithin(listener_, 50);
        if (socket == kNoSocket) continue;
        int connection = ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        workers_.emplace_back([this, socket, connection] { serve(socket, connection); });
    }
}

void LoopbackHttpServer::serve(SocketHandle socket, int connection) {
    SocketReader reader(socket, stopping_);
    for (;;) {
        HttpRequest request;
        request.connection = connection;
        std::string line;
        if (!reader.readLine(&line) || line.empty()) break;
        std::size_t space = line.find(' ');
        request.method = line.substr(0, space);
        request.target = line.substr(space + 1, line.rfind(' ') - space - 1);
        parseTarget(&request);
        while (reader.readLine(&line) && !line.empty()) {
            std::size_t colon = line.find(':');
            std::size_t value = line.find_first_not_of(' ', colon + 1);
            request.headers[lowerCase(line.substr(0, colon))] = value == std::string::npos ? "" : line.substr(value);
        }
        request.bodyComplete = readBody(reader, &request);
        record(request);
        if (!request.bodyComplete) break;

        HttpReply reply = handler_(request);
        if (reply.closeWithoutAnswer) break;
        if (reply.neverAnswer) {
            while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            break;
        }
        std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + statusText(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.headers) head += name + ": " + value + "\r\n";
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
        bool truncate = reply.truncateBodyAt >= 0 && static_cast<std::size_t>(reply.truncateBodyAt) < reply.body.size();
        std::string body = truncate ? reply.body.substr(0, static_cast<std::size_t>(reply.truncateBodyAt)) : reply.body;
        if (reply.trickleMs >= 0) {
            if (!sendAll(socket, head.data(), head.size())) break;
            bool sent = true;
            for (std::size_t i = 0; i < body.size() && sent && !stopping_; ++i) {
                auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.trickleMs);
                while (!stopping_ && std::chrono::steady_clock::now() < due) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                sent = sendAll(socket, body.data() + i, 1);
            }
            if (!sent || stopping_ || truncate) break;
            continue;
        }
        std::string message = head + body;
        if (!sendAll(socket, message.data(), message.size()) || truncate) break;
    }
    shutdownSending(socket);
    closeSocket(socket);
}

int unusedLoopbackPort() {
    int port = 0;
    closeSocket(listenOnLoopback(&port));
    return port;
}

}  // namespace vrhadooptest
