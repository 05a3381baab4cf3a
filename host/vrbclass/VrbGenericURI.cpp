#include "VrbGenericURI.h"

#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "uri_syntax.h"

using vrbpath::PathStyle;
using vrburi::UriSyntaxParts;

namespace {

bool copyPart(std::string_view part, VrbString* out) noexcept {
    if (part.empty()) {
        *out = VrbString("", true);
        return true;
    }
    out->assign(part.data(), part.size());
    return !out->isNull();
}

bool equalsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) noexcept {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerCase[i]) return false;
    }
    return true;
}

bool isLocalHost(std::string_view host) noexcept { return host.empty() || equalsIgnoringAsciiCase(host, "localhost"); }

bool isDriveLetterPath(const VrbString& path) noexcept {
    // "/C:" or "/C:/..." as written by file URIs for drive paths.
    const char* p = path.asCstr();
    auto letter = static_cast<unsigned char>(p[1]);
    bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    return p[0] == '/' && isLetter && p[2] == ':' && (p[3] == '\0' || p[3] == '/');
}

// The local path of a "file" URI. A URI naming another host must never
// reach the local file of the same path: on Windows it becomes the UNC path
// \\HOST\path, elsewhere the decoded path is given and isLocal() is false.
bool fileUriLocalPath(const UriSyntaxParts& parts, bool local, PathStyle style, VrbString* out) noexcept {
    VrbString decoded("", true);
    if (!vrburi::appendPercentDecoded(parts.path, &decoded)) return false;
    if (style == PathStyle::Posix) {
        *out = std::move(decoded);
        return true;
    }
    if (local) {
        *out = isDriveLetterPath(decoded) ? decoded.substring(1, decoded.length()) : decoded;
        return !out->isNull();
    }
    VrbString unc("\\\\", true);
    if (!vrburi::appendPercentDecoded(parts.host, &unc)) return false;
    bool failed = false;
    const char* rest = decoded.asCstr();
    for (const char* slash; (slash = std::strchr(rest, '/')) != nullptr; rest = slash + 1) {
        unc.append(rest, static_cast<std::size_t>(slash - rest), &failed);
        unc.append("\\", &failed);
    }
    unc.append(rest, &failed);
    if (failed) return false;
    *out = std::move(unc);
    return true;
}

}  // namespace

VrbGenericURI* VrbGenericURI::parse(const VrbString& text, PathStyle style) noexcept {
    UriSyntaxParts parts;
    if (!vrburi::splitUri(std::string_view(text.asCstr(), text.length()), &parts)) return nullptr;

    auto* uri = new (std::nothrow) VrbGenericURI();
    if (!uri) return nullptr;
    uri->text_ = text;
    uri->port_ = parts.port;
    uri->isLocal_ = isLocalHost(parts.host);
    bool isFile = equalsIgnoringAsciiCase(parts.scheme, "file");
    bool complete = !uri->text_.isNull() && copyPart(parts.scheme, &uri->scheme_) &&
                    copyPart(parts.authority, &uri->authority_) && copyPart(parts.userInfo, &uri->userInfo_) &&
                    copyPart(parts.host, &uri->host_) && copyPart(parts.query, &uri->query_) &&
                    copyPart(parts.fragment, &uri->fragment_);
    if (complete) {
        if (isFile) {
            complete = fileUriLocalPath(parts, uri->isLocal_, style, &uri->path_);
        } else {
            uri->path_ = VrbString("", true);
            complete = vrburi::appendPercentDecoded(parts.path, &uri->path_);
        }
    }
    if (!complete) {
        uri->release();
        return nullptr;
    }
    return uri;
}

void VrbGenericURI::release() { delete this; }
VrbString VrbGenericURI::scheme() const { return scheme_; }
VrbString VrbGenericURI::authority() const { return authority_; }
VrbString VrbGenericURI::path() const { return path_; }
VrbString VrbGenericURI::inheritablePart() const { return VrbString("", true); }
VrbString VrbGenericURI::query() const { return query_; }
VrbString VrbGenericURI::fragment() const { return fragment_; }
VrbString VrbGenericURI::text() const { return text_; }
VrbString VrbGenericURI::host() const { return host_; }
int VrbGenericURI::port() const { return port_; }
VrbString VrbGenericURI::userInfo() const { return userInfo_; }
bool VrbGenericURI::isLocal() const { return isLocal_; }

bool VrbGenericURI::queryValue(const char* key, VrbString* value) const {
    std::string_view raw;
    if (!key || !vrburi::findQueryParameter(std::string_view(query_.asCstr(), query_.length()), key, &raw)) {
        return false;
    }
    VrbString decoded("", true);
    if (!vrburi::appendPercentDecoded(raw, &decoded)) return false;
    if (value) *value = std::move(decoded);
    return true;
}

bool VrbGenericURI::bufferSize(int* size) const {
    VrbString value;
    if (!queryValue("buffersize", &value) || value.empty()) return false;
    long long parsed = 0;
    for (const char* p = value.asCstr(); *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        parsed = parsed * 10 + (*p - '0');
        if (parsed > INT_MAX) return false;
    }
    if (parsed <= 0) return false;
    if (size) *size = static_cast<int>(parsed);
    return true;
}
