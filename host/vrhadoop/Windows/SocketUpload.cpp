#include "Windows/SocketUpload.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HttpUpload.h"
#include "Windows/winhttp_setup.h"

namespace vrhadoop {
namespace {

bool winsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

struct UrlParts {
    std::string host;
    unsigned short port = 0;
    std::string target;   // path and query, as encoded
};

bool crack(const std::string& url, UrlParts* parts) {
    std::wstring wide = widened(url);
    URL_COMPONENTS pieces{};
    pieces.dwStructSize = sizeof pieces;
    pieces.dwHostNameLength = pieces.dwUrlPathLength = pieces.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &pieces)) return false;
    parts->host = narrowed(std::wstring(pieces.lpszHostName, pieces.dwHostNameLength));
    parts->port = pieces.nPort;
    parts->target = narrowed(std::wstring(pieces.lpszUrlPath, pieces.dwUrlPathLength) +
                             std::wstring(pieces.lpszExtraInfo, pieces.dwExtraInfoLength));
    if (parts->target.empty()) parts->target = "/";
    return true;
}

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

long clampMs(long value) { return std::min<long>(value, 0x7fffffff); }

}  // namespace

SocketUpload::~SocketUpload() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

void SocketUpload::fail(const std::string& what, int code) {
    outcome_.transportError = what + (code ? " (" + windowsErrorText(static_cast<DWORD>(code)) + ")" : "");
    over_ = true;
}

bool SocketUpload::connectTo(const std::string& host, unsigned short port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (int code = getaddrinfo(host.c_str(), service.c_str(), &hints, &found)) {
        fail("cannot find the host of " + server_, code);
        outcome_.unreachable = true;
        return false;
    }
    int lastError = 0;
    bool timedOut = false;
    for (addrinfo* address = found; address && socket_ == INVALID_SOCKET; address = address->ai_next) {
        SOCKET candidate = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (candidate == INVALID_SOCKET) {
            lastError = WSAGetLastError();
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(candidate, FIONBIO, &nonBlocking);
        BOOL on = TRUE;
        setsockopt(candidate, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
        bool connected = connect(candidate, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0;
        if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
            WSAPOLLFD poll{candidate, POLLWRNORM, 0};
            int ready = WSAPoll(&poll, 1, static_cast<int>(clampMs(limits_.connectTimeoutMs)));
            int error = 0;
            int size = sizeof error;
            getsockopt(candidate, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
            connected = ready > 0 && error == 0 && !(poll.revents & (POLLERR | POLLHUP));
            timedOut = ready == 0;
            lastError = error ? error : WSAGetLastError();
        } else if (!connected) {
            lastError = WSAGetLastError();
        }
        if (connected) {
            socket_ = candidate;
        } else {
            closesocket(candidate);
        }
    }
    freeaddrinfo(found);
    if (socket_ != INVALID_SOCKET) return true;
    if (timedOut) {
        fail(server_ + " did not answer in time (no connection within " +
                 secondsText(limits_.connectTimeoutMs) + ")",
             0);
    } else {
        fail("cannot connect to " + server_, lastError);
    }
    outcome_.unreachable = true;
    return false;
}

bool SocketUpload::start(HttpMethod method, const std::string& url, const TransportSettings& transport,
                         std::int64_t contentLength, HttpOutcome* outcome) {
    outcome_ = HttpOutcome();
    server_ = outcome_.server = serverOf(url);
    contentLength_ = contentLength;
    limits_ = transport.limits;
    UrlParts target;
    UrlParts via;
    std::string proxy = transport.proxy;
    if (!proxy.empty() && proxy.find("://") == std::string::npos) proxy = "http://" + proxy;
    if (!winsockReady()) {
        fail("the network library could not be set up", 0);
    } else if (!crack(url, &target)) {
        fail("the request to " + server_ + " failed (not an http URL)", 0);
    } else if (!proxy.empty() && (!startsWithNoCase(proxy, "http://") || !crack(proxy, &via))) {
        fail(unusableProxyMessage(proxy), 0);
    } else if (connectTo(proxy.empty() ? target.host : via.host, proxy.empty() ? target.port : via.port)) {
        std::string host = target.host.find(':') != std::string::npos ? "[" + target.host + "]" : target.host;
        std::string head = std::string(methodName(method)) + " " + (proxy.empty() ? target.target : url) +
                           " HTTP/1.1\r\nHost: " + host + ":" + std::to_string(target.port) +
                           "\r\nUser-Agent: vrhadoop/1.0\r\nContent-Type: application/octet-stream\r\n";
        head += contentLength == HttpUpload::kUnknownLength ? "Transfer-Encoding: chunked\r\n"
                                                            : "Content-Length: " + std::to_string(contentLength) + "\r\n";
        head += "\r\n";
        if (sendAll(head.data(), head.size())) {
            bodySent_ = contentLength == 0;
            *outcome = outcome_;
            return true;
        }
    }
    *outcome = outcome_;
    return false;
}

bool SocketUpload::send(const char* data, std::size_t length, HttpOutcome* outcome) {
    bool ok = !over_;
    if (ok && contentLength_ != HttpUpload::kUnknownLength &&
        length > static_cast<std::uint64_t>(contentLength_) - sent_) {
        fail("more bytes than the " + std::to_string(contentLength_) + " announced to " + server_, 0);
        ok = false;
    }
    if (ok && length > 0) {
        if (contentLength_ == HttpUpload::kUnknownLength) {
            char size[24];
            std::snprintf(size, sizeof size, "%zx\r\n", length);
            ok = sendAll(size, std::strlen(size)) && sendAll(data, length) && sendAll("\r\n", 2);
        } else {
            ok = sendAll(data, length);
        }
        if (ok) sent_ += length;
        if (ok && contentLength_ != HttpUpload::kUnknownLength) {
            bodySent_ = sent_ == static_cast<std::uint64_t>(contentLength_);
        }
    }
    *outcome = outcome_;
    if (!ok && outcome->transportError.empty() && outcome->succeeded()) {
        outcome->transportError = server_ + " answered before all data was sent";
    }
    return ok;
}

bool SocketUpload::sendAll(const char* data, std::size_t length) {
    while (length > 0) {
        if (closed_ || !receive(0)) {
            if (!over_) fail("the connection to " + server_ + " broke off in the middle of the exchange", 0);
            outcome_.broken = true;
            if (takeFinalHead()) readAnswerBody(clampMs(limits_.stallTimeoutMs));
            return false;
        }
        if (takeFinalHead()) {
            // The server answered before the body was complete: a refusal,
            // whose words say more than anything sent after it.
            readAnswerBody(clampMs(limits_.stallTimeoutMs));
            over_ = true;
            return false;
        }
        WSAPOLLFD poll{socket_, POLLWRNORM | POLLRDNORM, 0};
        int ready = WSAPoll(&poll, 1, static_cast<int>(clampMs(limits_.uploadStallTimeoutMs)));
        if (ready == 0) {
            fail(server_ + " moved no data for " + secondsText(limits_.uploadStallTimeoutMs) +
                     "; the upload is given up",
                 0);
            return false;
        }
        if (!(poll.revents & POLLWRNORM)) continue;
        int piece = static_cast<int>(std::min<std::size_t>(length, 1u << 20));
        int wrote = ::send(socket_, data, piece, 0);
        if (wrote == SOCKET_ERROR) {
            int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) continue;
            fail("the connection to " + server_ + " broke off in the middle of the exchange", code);
            outcome_.broken = true;
            // A server that refuses an upload may stop reading and close;
            // its answer, when one arrived, says more than the broken send.
            if (receive(0) && takeFinalHead()) {
                outcome_.transportError.clear();
                outcome_.broken = false;
                readAnswerBody(clampMs(limits_.stallTimeoutMs));
            }
            return false;
        }
        data += wrote;
        length -= static_cast<std::size_t>(wrote);
    }
    return true;
}

bool SocketUpload::receive(long waitMs) {
    WSAPOLLFD poll{socket_, POLLRDNORM, 0};
    if (WSAPoll(&poll, 1, static_cast<int>(waitMs)) <= 0) return true;
    char chunk[16384];
    int got = recv(socket_, chunk, sizeof chunk, 0);
    if (got == 0) {
        closed_ = true;
        return false;
    }
    if (got == SOCKET_ERROR) {
        int code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) return true;
        closed_ = true;
        return false;
    }
    inbox_.append(chunk, static_cast<std::size_t>(got));
    received_ += static_cast<std::uint64_t>(got);
    // Interim answers ("HTTP/1.1 100 Continue" and its empty line) go.
    while (!answered_ && inbox_.size() >= 12 && inbox_.compare(0, 5, "HTTP/") == 0 && inbox_[9] == '1') {
        std::size_t end = inbox_.find("\r\n\r\n");
        if (end == std::string::npos) break;
        inbox_.erase(0, end + 4);
    }
    return true;
}

bool SocketUpload::takeFinalHead() {
    if (answered_) return false;
    std::size_t end = inbox_.find("\r\n\r\n");
    if (end == std::string::npos || inbox_.compare(0, 5, "HTTP/") != 0) return false;
    if (inbox_.size() >= 12 && inbox_[9] == '1') return false;
    std::string head = inbox_.substr(0, end + 2);
    inbox_.erase(0, end + 4);
    answered_ = true;
    std::size_t space = head.find(' ');
    outcome_.status = space == std::string::npos ? 0 : std::atol(head.c_str() + space + 1);
    for (std::size_t at = head.find("\r\n") + 2; at < head.size();) {
        std::size_t lineEnd = head.find("\r\n", at);
        std::string line = head.substr(at, lineEnd - at);
        at = lineEnd + 2;
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == "content-length") answerLength_ = std::atoll(value.c_str());
        if (name == "transfer-encoding" && startsWithNoCase(value, "chunked")) answerChunked_ = true;
        if (name == "location" && outcome_.status >= 300 && outcome_.status < 400) outcome_.location = value;
    }
    outcome_.transportError.clear();
    outcome_.broken = false;
    return true;
}

bool SocketUpload::readAnswerBody(long waitMs) {
    std::string body;
    auto arrive = [&](std::size_t wanted) {
        while (inbox_.size() < wanted && !closed_) {
            std::uint64_t before = received_;
            if (!receive(waitMs)) break;
            if (received_ == before) return false;   // nothing within the wait
        }
        return inbox_.size() >= wanted;
    };
    bool complete = true;
    if (answerChunked_) {
        for (;;) {
            std::size_t lineEnd;
            while ((lineEnd = inbox_.find("\r\n")) == std::string::npos && arrive(inbox_.size() + 1)) {
            }
            if (lineEnd == std::string::npos) {
                complete = false;
                break;
            }
            std::size_t size = std::strtoull(inbox_.c_str(), nullptr, 16);
            inbox_.erase(0, lineEnd + 2);
            if (size == 0) break;
            if (!arrive(size + 2)) {
                complete = false;
                break;
            }
            body.append(inbox_, 0, size);
            inbox_.erase(0, size + 2);
        }
    } else if (answerLength_ >= 0) {
        complete = arrive(static_cast<std::size_t>(answerLength_));
        body = inbox_.substr(0, static_cast<std::size_t>(answerLength_));
    } else {
        while (!closed_ && arrive(inbox_.size() + 1)) {
        }
        complete = closed_;
        body = inbox_;
    }
    outcome_.body = body.substr(0, HttpClient::kMaxErrorBodyBytes);
    if (!complete) {
        outcome_.transportError = "the connection to " + server_ + " broke off in the middle of the exchange";
        outcome_.broken = true;
    }
    return complete;
}

bool SocketUpload::finish(HttpOutcome* outcome) {
    if (!over_ && contentLength_ != HttpUpload::kUnknownLength && !bodySent_) {
        fail("the body ended after " + std::to_string(sent_) + " of the " + std::to_string(contentLength_) +
                 " bytes announced to " + server_,
             0);
        *outcome = outcome_;
        return false;
    }
    if (!over_) {
        over_ = true;
        if (contentLength_ == HttpUpload::kUnknownLength && !sendAll("0\r\n\r\n", 5)) {
            *outcome = outcome_;
            return answered_ && outcome_.answered();
        }
        bodySent_ = true;
        long answerMs = clampMs(limits_.finalAnswerTimeoutMs);
        while (!takeFinalHead()) {
            std::uint64_t before = received_;
            if (!receive(answerMs) || closed_) {
                outcome_.transportError = "the connection to " + server_ +
                                          " broke off in the middle of the exchange (no answer after the last byte)";
                outcome_.broken = true;
                break;
            }
            if (received_ == before) {
                outcome_.transportError = server_ + " did not answer within " +
                                          secondsText(limits_.finalAnswerTimeoutMs) + " after the last byte";
                break;
            }
        }
        if (answered_) readAnswerBody(clampMs(limits_.stallTimeoutMs));
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    *outcome = outcome_;
    return answered_ && outcome_.answered();
}

}  // namespace vrhadoop
