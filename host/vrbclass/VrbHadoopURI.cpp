#include "VrbHadoopURI.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "VrbGenericURI.h"
#include "vrbclass/secret_mask.h"
#include "uri_syntax.h"
#include "vrbclass/uri_schemes.h"

namespace {

constexpr int kDefaultPort = 9870;
constexpr const char* kSchemePrefix = "hadoop:";
constexpr int kMaxNameNodes = 16;

std::string_view view(const VrbString& text) noexcept { return {text.asCstr(), text.length()}; }

// Bytes a path keeps as they are: unreserved characters, sub-delimiters,
// ":", "@" and "/". Everything else is escaped, so that the text parses back
// to the same path whatever the names hold.
bool keptInPath(unsigned char c) noexcept {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && std::strchr("-._~!$&'()*+,;=:@/", c) != nullptr;
}

void appendEncodedPath(std::string_view path, VrbString* out, bool* failed) noexcept {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        auto c = static_cast<unsigned char>(path[i]);
        if (keptInPath(c)) continue;
        const char escape[3] = {'%', kHex[c >> 4], kHex[c & 15]};
        out->append(path.data() + start, i - start, failed);
        out->append(escape, 3, failed);
        start = i + 1;
    }
    out->append(path.data() + start, path.size() - start, failed);
}

// `text` (a URI or an inherited part) with its secrets masked.
VrbString maskTokens(std::string_view text) noexcept {
    VrbString masked("", true);
    bool failed = false;
    vrbmessage::appendMasked(text, &masked, &failed);
    return failed ? VrbString("(hadoop URI)", true) : masked;
}

// A proxy URL of a kind the HTTP stack speaks, naming a host.
bool isProxyUrl(const VrbString& value) noexcept {
    std::string_view text = view(value);
    for (std::string_view scheme : {"http://", "https://", "socks4://", "socks4a://", "socks5://", "socks5h://"}) {
        if (text.size() > scheme.size() && text.substr(0, scheme.size()) == scheme) {
            return text.find_first_of(" \t\r\n", scheme.size()) == std::string_view::npos;
        }
    }
    return false;
}

// Why a "namenodes" value (HOST[:PORT] items separated by ",") names no
// NameNodes, or null when it does. HOST is a name, an IPv4 address or a
// bracketed IPv6 address; PORT is 1 to 65535.
const char* nameNodeListFault(std::string_view list) noexcept {
    constexpr const char* kForm =
        "namenodes must be HOST:PORT items separated by \",\" (an IPv6 address in brackets, written %5B...%5D)";
    if (list.empty()) return kForm;
    int items = 0;
    for (;;) {
        std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        std::string_view host = item;
        std::string_view port;
        if (!item.empty() && item[0] == '[') {
            std::size_t close = item.find(']');
            if (close == std::string_view::npos || !vrburi::isIPv6Address(item.substr(1, close - 1))) return kForm;
            host = item.substr(0, close + 1);
            if (close + 1 < item.size()) {
                if (item[close + 1] != ':') return kForm;
                port = item.substr(close + 2);
                if (port.empty()) return kForm;
            }
        } else {
            std::size_t colon = item.find(':');
            host = item.substr(0, colon);
            if (colon != std::string_view::npos) {
                port = item.substr(colon + 1);
                if (port.empty()) return kForm;
            }
            if (host.empty()) return kForm;
            for (char c : host) {
                bool nameChar = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_';
                if (!nameChar) return kForm;
            }
        }
        if (!port.empty()) {
            if (port.size() > 5) return "a port in namenodes must be a number from 1 to 65535";
            long value = 0;
            for (char c : port) {
                if (c < '0' || c > '9') return kForm;
                value = value * 10 + (c - '0');
            }
            if (value < 1 || value > 65535) return "a port in namenodes must be a number from 1 to 65535";
        }
        if (++items > kMaxNameNodes) return "namenodes names more than 16 NameNodes";
        if (comma == std::string_view::npos) return nullptr;
        list.remove_prefix(comma + 1);
    }
}

// The URI's host with its %-escapes decoded, as the HTTP stack must get it;
// false when that is no name, IPv4 address or bracketed IPv6 address (an
// escape may stand for any byte, which no request could carry).
bool plainHost(std::string_view host, VrbString* plain) noexcept {
    *plain = VrbString("", true);
    if (!vrburi::appendPercentDecoded(host, plain)) return false;
    std::string_view name = view(*plain);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
        return vrburi::isIPv6Address(name.substr(1, name.size() - 2));
    }
    if (name.empty()) return false;
    for (char c : name) {
        bool nameChar = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                        c == '.' || c == '_';
        if (!nameChar) return false;
    }
    return true;
}

// Why the keytab login parameters do not go together, or null.
const char* keytabFault(const VrHadoopURI& uri, const VrbString& auth) noexcept {
    VrbString keytab;
    VrbString principal;
    bool hasKeytab = uri.queryValue("keytab", &keytab);
    bool hasPrincipal = uri.queryValue("principal", &principal);
    if (!hasKeytab && !hasPrincipal) return nullptr;
    if (hasKeytab && keytab.empty()) return "keytab must name a keytab file";
    if (!hasKeytab) return "principal names whom a keytab logs in: add keytab=PATH";
    if (!hasPrincipal || principal.empty()) return "keytab logs in a principal: add principal=NAME";
    if (auth.isNull() || auth.compare("kerberos", false) != 0) return "keytab logs in with Kerberos: add auth=kerberos";
    return nullptr;
}

VrbString uriMessage(const VrbString& maskedUri, const char* reason) noexcept {
    VrbString message("Invalid hadoop URI ", true);
    bool failed = false;
    message.append(maskedUri, &failed);
    message.append(": ", &failed);
    message.append(reason, &failed);
    return failed ? VrbString(reason, true) : message;
}

// "hadoop://" + authority + the encoded path [+ "?" + query], parsed.
VrbGenericURI* parseComposed(std::string_view authority, std::string_view decodedPath, bool hasQuery,
                             std::string_view query) noexcept {
    VrbString text("hadoop://", true);
    bool failed = false;
    text.append(authority.data(), authority.size(), &failed);
    if (decodedPath.empty() || decodedPath[0] != '/') text.append("/", &failed);
    appendEncodedPath(decodedPath, &text, &failed);
    if (hasQuery) {
        text.append("?", &failed);
        text.append(query.data(), query.size(), &failed);
    }
    if (failed) return nullptr;
    return VrbGenericURI::parse(text, vrbpath::PathStyle::Posix);
}

}  // namespace

bool vrbHasHadoopScheme(const VrbString& text) noexcept {
    const char* p = text.asCstr();
    for (const char* prefix = kSchemePrefix; *prefix; ++prefix, ++p) {
        char c = (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
        if (c != *prefix) return false;
    }
    return true;
}

VrbHadoopURI* VrbHadoopURI::parse(const VrbString& text) noexcept {
    if (!vrbHasHadoopScheme(text)) return nullptr;
    VrbGenericURI* parsed = VrbGenericURI::parse(text, vrbpath::PathStyle::Posix);
    const char* fault = nullptr;
    std::size_t faultAt = 0;
    if (!parsed) {
        vrburi::UriSyntaxParts parts;
        if (vrburi::splitUri(view(text), &parts)) return nullptr;   // memory ran short
        fault = vrburi::describeUriFault(view(text), &faultAt);
        parsed = VrbGenericURI::parse(VrbString(kSchemePrefix, true), vrbpath::PathStyle::Posix);
        if (!parsed) return nullptr;
    }
    auto* uri = new (std::nothrow) VrbHadoopURI(parsed);
    if (!uri) {
        parsed->release();
        return nullptr;
    }
    if (fault) {
        uri->brokenText_ = text;
        uri->syntaxFault_ = fault;
        uri->faultAt_ = faultAt;
        if (uri->brokenText_.isNull()) {
            uri->release();
            return nullptr;
        }
    }
    return uri;
}

VrbHadoopURI* VrbHadoopURI::fromPath(const VrbString& path) noexcept {
    if (path.empty()) return nullptr;
    VrbGenericURI* parsed = parseComposed({}, view(path), false, {});
    if (!parsed) return nullptr;
    auto* uri = new (std::nothrow) VrbHadoopURI(parsed);
    if (!uri) parsed->release();
    return uri;
}

VrbHadoopURI::~VrbHadoopURI() { parsed_->release(); }

void VrbHadoopURI::release() { delete this; }
VrbString VrbHadoopURI::scheme() const { return parsed_->scheme(); }
VrbString VrbHadoopURI::authority() const { return parsed_->authority(); }
VrbString VrbHadoopURI::query() const { return parsed_->query(); }
VrbString VrbHadoopURI::fragment() const { return parsed_->fragment(); }
VrbString VrbHadoopURI::text() const { return syntaxFault_ ? brokenText_ : parsed_->text(); }
VrbString VrbHadoopURI::host() const { return parsed_->host(); }
int VrbHadoopURI::port() const { return parsed_->port(); }
VrbString VrbHadoopURI::userInfo() const { return parsed_->userInfo(); }
bool VrbHadoopURI::queryValue(const char* key, VrbString* value) const { return parsed_->queryValue(key, value); }
bool VrbHadoopURI::isLocal() const { return false; }
bool VrbHadoopURI::bufferSize(int* size) const { return parsed_->bufferSize(size); }
void VrbHadoopURI::reserved21() {}
void VrbHadoopURI::reserved22() {}
void VrbHadoopURI::reserved23() {}

VrbString VrbHadoopURI::path() const {
    VrbString decoded = parsed_->path();
    return decoded.empty() ? VrbString("/", true) : decoded;
}

VrbString VrbHadoopURI::inheritablePart() const {
    VrbString authority = parsed_->authority();
    VrbString query = parsed_->query();
    if (authority.empty() && query.empty()) return VrbString("", true);
    VrbString part("//", true);
    bool failed = false;
    part.append(authority, &failed);
    if (!query.empty()) {
        part.append("?", &failed);
        part.append(query, &failed);
    }
    // A null result would read as "nothing to take over" and send the entry
    // to no cluster at all; the entry URI then refuses the malformed part.
    return failed ? VrbString("?", true) : part;
}

VrbString VrbHadoopURI::user() const {
    VrbString value("", true);
    return queryValue("user", &value) ? value : VrbString("", true);
}

VrbString VrbHadoopURI::delegationToken() const {
    VrbString value("", true);
    return queryValue("delegation", &value) ? value : VrbString("", true);
}

bool VrbHadoopURI::useSsl() const {
    VrbString value;
    return queryValue("ssl", &value) && value.compare("true", false) == 0;
}

VrbString VrbHadoopURI::nameNodeBase() const {
    VrbString base(useSsl() ? "https://" : "http://", true);
    char port[16];
    std::snprintf(port, sizeof port, ":%d", parsed_->port() >= 0 ? parsed_->port() : kDefaultPort);
    VrbString host;
    bool failed = !plainHost(view(parsed_->host()), &host);
    base.append(host, &failed);
    base.append(port, &failed);
    return failed ? VrbString() : base;
}

bool VrbHadoopURI::validate(VrbString* error) const {
    const char* reason = nullptr;
    VrbString ssl;
    VrbString size;
    VrbString proxy;
    VrbString auth;
    VrbString caFile;
    VrbString caPath;
    VrbString nameNodes;
    VrbString doAs;
    char faultReason[160];
    if (syntaxFault_ && faultAt_ < brokenText_.length()) {
        std::snprintf(faultReason, sizeof faultReason, "%s (character %zu)", syntaxFault_, faultAt_ + 1);
        reason = faultReason;
    } else if (syntaxFault_) {
        reason = syntaxFault_;
    } else if (parsed_->host().empty()) {
        reason = "it names no NameNode (write hadoop://HOST:PORT/path)";
    } else if (VrbString host; !plainHost(view(parsed_->host()), &host)) {
        reason = "its host holds a character no host name may hold (HOST is a name, an IPv4 address or a "
                 "bracketed IPv6 address; a %-escape in it stands for the character it encodes)";
    } else if (!parsed_->userInfo().empty()) {
        reason = "a user name goes in the query (?user=NAME), not before the host";
    } else if (parsed_->port() == 0) {
        reason = "port 0 names no NameNode";
    } else if (std::strchr(parsed_->text().asCstr(), '#')) {
        reason = "it has a fragment (\"#...\"); write \"#\" in names as %23";
    } else if (queryValue("ssl", &ssl) && ssl.compare("true", false) != 0 && ssl.compare("false", false) != 0) {
        reason = "ssl must be true or false";
    } else if (queryValue("buffersize", &size) && !bufferSize(nullptr)) {
        reason = "buffersize must be a whole number from 1 to 2147483647";
    } else if (queryValue("proxy", &proxy) && !isProxyUrl(proxy)) {
        reason = "proxy must be a URL: http://HOST:PORT (or https://, socks4://, socks4a://, socks5://, socks5h://)";
    } else if (queryValue("auth", &auth) && auth.compare("kerberos", false) != 0 && auth.compare("simple", false) != 0) {
        reason = "auth must be kerberos or simple";
    } else if ((queryValue("cafile", &caFile) && caFile.empty()) || (queryValue("capath", &caPath) && caPath.empty())) {
        reason = "cafile and capath must name a file or a directory";
    } else if ((!caFile.isNull() || !caPath.isNull()) && !useSsl()) {
        // Without https nothing is verified: the user would believe in a
        // protection that the connection does not have.
        reason = "cafile and capath verify https servers: add ssl=true";
    } else if (queryValue("namenodes", &nameNodes) && nameNodeListFault(view(nameNodes))) {
        reason = nameNodeListFault(view(nameNodes));
    } else if (queryValue("doas", &doAs) && doAs.empty()) {
        reason = "doas must name a user";
    } else if (const char* login = keytabFault(*this, auth)) {
        reason = login;
    }
    if (!reason) return true;
    if (error) *error = uriMessage(maskedText(), reason);
    return false;
}

VrbString VrbHadoopURI::maskedText() const { return maskTokens(view(text())); }

bool VrbHadoopURI::applyInheritedPart(VrbString* part, VrbString* error) {
    std::string_view text = part ? view(*part) : std::string_view();
    std::size_t question = text.find('?');
    bool wellFormed = text.size() >= 2 && text.substr(0, 2) == "//" && text.find('#') == std::string_view::npos &&
                      text.find('/', 2) >= question;
    VrbGenericURI* parsed = nullptr;
    if (wellFormed) {
        std::string_view authority = text.substr(2, question == std::string_view::npos ? text.npos : question - 2);
        std::string_view query = question == std::string_view::npos ? std::string_view() : text.substr(question + 1);
        VrbString decodedPath = parsed_->path();
        parsed = parseComposed(authority, view(decodedPath), question != std::string_view::npos, query);
    }
    if (!parsed) {
        if (error) {
            VrbString message("Cannot take over the part \"", true);
            bool failed = false;
            message.append(maskTokens(text), &failed);
            message.append("\" of a hadoop URI: it is not of the form //HOST:PORT?QUERY", &failed);
            *error = failed ? VrbString("Cannot take over the part of a hadoop URI", true) : std::move(message);
        }
        return false;
    }
    parsed_->release();
    parsed_ = parsed;
    return true;
}
