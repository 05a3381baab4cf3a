#include "vrbaseio/VrbIOImpl.h"

#include <new>

#include "vrbaseio/backends.h"
#include "vrbaseio/source_labels.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbclass/VrURI.h"
#include "vrbclass/vrb_message.h"

namespace {

enum class Backend { Local, Hadoop, Unsupported, NoMemory };

// Every text with the scheme "hadoop" parses into a URI object, whatever
// it holds; only short memory makes it fail, and such a text must still
// never be taken for a local path.
bool hasHadoopScheme(const VrbString& location) {
    const char* text = location.asCstr();
    for (const char* prefix = "hadoop:"; *prefix; ++prefix, ++text) {
        char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix) return false;
    }
    return true;
}

// The parsed URI (null for a plain path) decides the backend. The caller
// releases `uri` as its last step on every path.
struct Resolution {
    VrURI* uri = nullptr;
    Backend backend = Backend::Unsupported;
    // The location itself for a plain path (no copy that could fail), or
    // the path the file URI reports.
    const VrbString* localPath = nullptr;
    VrbString uriPath;
    bool remoteFileHost = false;

    explicit Resolution(const VrbString& location) {
        uri = getURIFromURIString(location);
        if (!uri && hasHadoopScheme(location)) {
            backend = Backend::NoMemory;
            return;
        }
        if (!uri) {
            backend = Backend::Local;
            localPath = &location;
            return;
        }
        VrbString scheme = uri->scheme();
        if (scheme.compare("file", false) == 0) {
            backend = Backend::Local;
            uriPath = uri->path();
            localPath = &uriPath;
            // A file URI naming another machine must not reach the local file
            // of the same path; where the platform cannot address the remote
            // host itself the open is refused.
#ifndef _WIN32
            remoteFileHost = !uri->isLocal();
#endif
        } else if (scheme.compare("hadoop", false) == 0) {
            backend = Backend::Hadoop;
        }
    }
    ~Resolution() {
        if (uri) uri->release();
    }
    Resolution(const Resolution&) = delete;
    Resolution& operator=(const Resolution&) = delete;
};

constexpr const char* kRemoteHostReason = "the file URI names another host; only local files can be reached";

}  // namespace

VrbDirectoryListing* VrbIOImpl::openDirectory(const VrbString& location, int listingFlags, VrbString* error) {
    Resolution resolved(location);
    switch (resolved.backend) {
        case Backend::Local:
            if (resolved.remoteFileHost) {
                *error = VRB_MESSAGE(kLabelService, 1353, location.asCstr(), kRemoteHostReason);
                return nullptr;
            }
            return createLocalDirectoryListing(this, *resolved.localPath, listingFlags, error);
        case Backend::Hadoop:
            return createHadoopDirectoryListing(this, resolved.uri, listingFlags, error);
        case Backend::NoMemory:
            *error = VRB_MESSAGE(kLabelService, 444);
            return nullptr;
        case Backend::Unsupported:
            break;
    }
    *error = VRB_MESSAGE(kLabelService, 467, location.asCstr(), -1);
    return nullptr;
}

VrbTxtFile* VrbIOImpl::openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                                    VrbString* error) {
    Resolution resolved(location);
    VrbIORaw* raw = nullptr;
    switch (resolved.backend) {
        case Backend::Local:
            if (resolved.remoteFileHost) {
                *error = VRB_MESSAGE(kLabelService, 1353, location.asCstr(), kRemoteHostReason);
                return nullptr;
            }
            raw = createLocalRawStream(this, *resolved.localPath, error);
            break;
        case Backend::Hadoop:
            raw = createHadoopRawStream(this, resolved.uri, error);
            break;
        case Backend::NoMemory:
            *error = VRB_MESSAGE(kLabelService, 444);
            return nullptr;
        case Backend::Unsupported:
            *error = VRB_MESSAGE(kLabelService, 1455, location.asCstr());
            return nullptr;
    }
    if (!raw) return nullptr;

    auto* text = new (std::nothrow) VrbIOTextWrapper(this, raw, openMode, encoding, flags);
    if (!text) {
        *error = VRB_MESSAGE(kLabelService, 444);
        raw->destroy();
        return nullptr;
    }
    // The Hadoop stream keeps the URI pointer for its open, which runs here,
    // before the URI is released.
    if (!text->open()) {
        *error = text->errorText();
        text->destroy();
        return nullptr;
    }
    return text;
}

void VrbIOImpl::destroy() { delete this; }
