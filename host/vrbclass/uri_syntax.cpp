#include "uri_syntax.h"

#include <cstring>

namespace vrburi {
namespace {

bool isAlpha(unsigned char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(unsigned char c) noexcept { return c >= '0' && c <= '9'; }

int hexValue(unsigned char c) noexcept {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool isUnreserved(unsigned char c) noexcept {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool isSubDelim(unsigned char c) noexcept { return c != '\0' && std::strchr("!$&'()*+,;=", c) != nullptr; }

// The byte that the escape at text[at] stands for, or -1 when no "%"
// with two hexadecimal digits stands there.
int escapeAt(std::string_view text, std::size_t at) noexcept {
    if (at + 2 >= text.size() || text[at] != '%') return -1;
    int high = hexValue(static_cast<unsigned char>(text[at + 1]));
    int low = hexValue(static_cast<unsigned char>(text[at + 2]));
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

// Which characters besides unreserved ones, sub-delimiters and escapes a
// component admits.
enum Extra : unsigned {
    kColon = 1u << 0,
    kAt = 1u << 1,
    kSlash = 1u << 2,
    kQuestion = 1u << 3,
    kNonAscii = 1u << 4,
};

constexpr unsigned kUserInfoChars = kColon | kNonAscii;
constexpr unsigned kRegNameChars = kNonAscii;
constexpr unsigned kPathChars = kColon | kAt | kSlash | kNonAscii;
constexpr unsigned kQueryChars = kColon | kAt | kSlash | kQuestion | kNonAscii;

bool isAllowed(unsigned char c, unsigned extra) noexcept {
    if (isUnreserved(c) || isSubDelim(c)) return true;
    switch (c) {
        case ':': return (extra & kColon) != 0;
        case '@': return (extra & kAt) != 0;
        case '/': return (extra & kSlash) != 0;
        case '?': return (extra & kQuestion) != 0;
        default: return c >= 0x80 && (extra & kNonAscii) != 0;
    }
}

// Every character allowed and every escape two hexadecimal digits other than "%00".
bool isValidComponent(std::string_view text, unsigned extra) noexcept {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == '%') {
            int decoded = escapeAt(text, i);
            if (decoded <= 0) return false;
            i += 2;
        } else if (!isAllowed(c, extra)) {
            return false;
        }
    }
    return true;
}

bool isScheme(std::string_view text) noexcept {
    if (text.size() < 2 || !isAlpha(static_cast<unsigned char>(text[0]))) return false;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// dec-octet of RFC 3986: 0-255 without leading zeros.
bool isDecOctet(std::string_view text) noexcept {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text) {
        if (!isDigit(static_cast<unsigned char>(c))) return false;
    }
    if (text.size() > 1 && text[0] == '0') return false;
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value <= 255;
}

bool isIPv4Address(std::string_view text) noexcept {
    for (int octet = 0; octet < 4; ++octet) {
        std::size_t dot = text.find('.');
        if ((octet < 3) != (dot != std::string_view::npos)) return false;
        std::string_view part = octet < 3 ? text.substr(0, dot) : text;
        if (!isDecOctet(part)) return false;
        if (octet < 3) text.remove_prefix(dot + 1);
    }
    return true;
}

bool isH16(std::string_view text) noexcept {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text) {
        if (hexValue(static_cast<unsigned char>(c)) < 0) return false;
    }
    return true;
}

// Colon-separated 16-bit groups; a trailing IPv4 address counts as two when
// allowed. Sets *groups; false on any malformed group.
bool countIPv6Groups(std::string_view text, bool allowIPv4Tail, int* groups) noexcept {
    *groups = 0;
    if (text.empty()) return true;
    for (;;) {
        std::size_t colon = text.find(':');
        std::string_view group = text.substr(0, colon);
        if (colon == std::string_view::npos) {
            if (allowIPv4Tail && group.find('.') != std::string_view::npos) {
                if (!isIPv4Address(group)) return false;
                *groups += 2;
                return true;
            }
            if (!isH16(group)) return false;
            *groups += 1;
            return true;
        }
        if (!isH16(group)) return false;
        *groups += 1;
        text.remove_prefix(colon + 1);
    }
}

bool isIPvFuture(std::string_view text) noexcept {
    if (text.size() < 4 || (text[0] != 'v' && text[0] != 'V')) return false;
    std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot < 2 || dot + 1 >= text.size()) return false;
    for (std::size_t i = 1; i < dot; ++i) {
        if (hexValue(static_cast<unsigned char>(text[i])) < 0) return false;
    }
    for (std::size_t i = dot + 1; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (!isUnreserved(c) && !isSubDelim(c) && c != ':') return false;
    }
    return true;
}

bool parsePort(std::string_view text, int* port) noexcept {
    if (text.empty()) {
        *port = -1;
        return true;
    }
    long value = 0;
    for (char c : text) {
        if (!isDigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
        if (value > 65535) return false;
    }
    *port = static_cast<int>(value);
    return true;
}

bool splitAuthority(std::string_view authority, UriSyntaxParts* parts) noexcept {
    std::string_view hostPort = authority;
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        parts->userInfo = authority.substr(0, at);
        if (!isValidComponent(parts->userInfo, kUserInfoChars)) return false;
        hostPort = authority.substr(at + 1);
    }
    std::string_view portText;
    if (!hostPort.empty() && hostPort[0] == '[') {
        std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos) return false;
        std::string_view literal = hostPort.substr(1, close - 1);
        if (!isIPv6Address(literal) && !isIPvFuture(literal)) return false;
        parts->host = hostPort.substr(0, close + 1);
        std::string_view rest = hostPort.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return false;
            portText = rest.substr(1);
        }
    } else {
        std::size_t colon = hostPort.find(':');
        parts->host = hostPort.substr(0, colon);
        if (colon != std::string_view::npos) portText = hostPort.substr(colon + 1);
        if (!isValidComponent(parts->host, kRegNameChars)) return false;
    }
    return parsePort(portText, &parts->port);
}

// Cuts what follows the first `mark` off *rest into *suffix (a query or a
// fragment); false when it holds a character that neither may hold.
bool takeSuffix(std::string_view* rest, char mark, bool* present, std::string_view* suffix) noexcept {
    std::size_t at = rest->find(mark);
    if (at == std::string_view::npos) return true;
    *present = true;
    *suffix = rest->substr(at + 1);
    *rest = rest->substr(0, at);
    return isValidComponent(*suffix, kQueryChars);
}

}  // namespace

bool isIPv6Address(std::string_view text) noexcept {
    std::size_t gap = text.find("::");
    int head = 0;
    int tail = 0;
    if (gap == std::string_view::npos) {
        return countIPv6Groups(text, true, &head) && head == 8;
    }
    if (text.find("::", gap + 1) != std::string_view::npos) return false;
    if (!countIPv6Groups(text.substr(0, gap), false, &head)) return false;
    if (!countIPv6Groups(text.substr(gap + 2), true, &tail)) return false;
    return head + tail <= 7;
}

bool splitUri(std::string_view text, UriSyntaxParts* parts) noexcept {
    *parts = UriSyntaxParts{};
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !isScheme(text.substr(0, colon))) return false;
    parts->scheme = text.substr(0, colon);
    std::string_view rest = text.substr(colon + 1);

    if (!takeSuffix(&rest, '#', &parts->hasFragment, &parts->fragment)) return false;
    if (!takeSuffix(&rest, '?', &parts->hasQuery, &parts->query)) return false;
    if (rest.size() >= 2 && rest[0] == '/' && rest[1] == '/') {
        rest.remove_prefix(2);
        std::size_t slash = rest.find('/');
        parts->hasAuthority = true;
        parts->authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        if (!splitAuthority(parts->authority, parts)) return false;
    }
    parts->path = rest;
    return isValidComponent(parts->path, kPathChars);
}

const char* describeUriFault(std::string_view text, std::size_t* at) noexcept {
    *at = text.size();
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !isScheme(text.substr(0, colon))) {
        *at = 0;
        return "it does not start with a scheme (such as hadoop:)";
    }
    // Characters first: they are what users most often get wrong.
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        *at = i;
        if (c == '%') {
            int decoded = escapeAt(text, i);
            if (decoded < 0) return "a \"%\" must start an escape of two hexadecimal digits; write \"%\" as %25";
            if (decoded == 0) return "the escape %00 (a NUL byte) is not allowed";
            i += 2;
        } else if (c == ' ') {
            return "write a space as %20";
        } else if (c < 0x20 || c == 0x7F) {
            return "write control characters as %XX escapes";
        } else if (c != '[' && c != ']' && c != '#' && !isAllowed(c, kQueryChars)) {
            return "write this character as a %XX escape (\"<>\\^`{|}\" and quotes cannot stand in a URI)";
        }
    }
    // Then the authority: hosts and ports.
    std::string_view rest = text.substr(colon + 1);
    if (rest.substr(0, 2) != "//") return "it is not a valid URI";
    std::size_t start = colon + 3;
    std::string_view authority = text.substr(start, text.find_first_of("/?#", start) - start);
    std::string_view hostPort = authority.substr(authority.rfind('@') + 1);
    std::size_t hostAt = start + (authority.size() - hostPort.size());
    *at = hostAt + hostPort.find_first_of(",;");
    if (hostPort.find_first_of(",;") != std::string_view::npos) {
        return "a list of hosts is not supported; name one NameNode as HOST:PORT, the others in ?namenodes=HOST:PORT,...";
    }
    *at = hostAt;
    if (!hostPort.empty() && hostPort[0] == '[') {
        std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos) return "an IPv6 address needs its closing \"]\"";
        std::string_view literal = hostPort.substr(1, close - 1);
        if (!isIPv6Address(literal) && !isIPvFuture(literal)) return "the IPv6 address in brackets is not valid";
        hostPort.remove_prefix(close + 1);
        hostAt += close + 1;
        if (!hostPort.empty() && hostPort[0] != ':') return "a \":PORT\" or nothing must follow the IPv6 address";
    } else if (hostPort.find_first_of("[]") != std::string_view::npos) {
        *at = hostAt + hostPort.find_first_of("[]");
        return "\"[\" and \"]\" only enclose an IPv6 address";
    }
    std::size_t portColon = hostPort.find(':');
    int port = 0;
    if (portColon != std::string_view::npos && !parsePort(hostPort.substr(portColon + 1), &port)) {
        *at = hostAt + portColon + 1;
        return "the port must be a number from 1 to 65535";
    }
    *at = text.size();
    return "it is not a valid URI";
}

bool appendPercentDecoded(std::string_view encoded, VrbString* out) noexcept {
    bool failed = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        int escaped = escapeAt(encoded, i);
        if (escaped < 0) continue;
        char decoded = static_cast<char>(escaped);
        out->append(encoded.data() + start, i - start, &failed);
        out->append(&decoded, 1, &failed);
        i += 2;
        start = i + 1;
    }
    out->append(encoded.data() + start, encoded.size() - start, &failed);
    return !failed;
}

bool findQueryParameter(std::string_view query, std::string_view name, std::string_view* rawValue) noexcept {
    for (;;) {
        std::size_t amp = query.find('&');
        std::string_view parameter = query.substr(0, amp);
        std::size_t equals = parameter.find('=');
        std::string_view rawName = parameter.substr(0, equals);
        // Compare the decoded name with `name` without allocating.
        std::size_t matched = 0;
        bool same = true;
        for (std::size_t i = 0; i < rawName.size() && same; ++i, ++matched) {
            char c = rawName[i];
            int escaped = escapeAt(rawName, i);
            if (escaped >= 0) {
                c = static_cast<char>(escaped);
                i += 2;
            }
            same = matched < name.size() && name[matched] == c;
        }
        if (same && matched == name.size()) {
            *rawValue = equals == std::string_view::npos ? std::string_view() : parameter.substr(equals + 1);
            return true;
        }
        if (amp == std::string_view::npos) return false;
        query.remove_prefix(amp + 1);
    }
}

}  // namespace vrburi
