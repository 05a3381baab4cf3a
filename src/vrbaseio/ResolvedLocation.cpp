#include "ResolvedLocation.h"

#include "vrbaseio_core/source_labels.h"
#include "vrbclass/uri_schemes.h"
#include "vrbclass/vrb_message.h"

namespace {
constexpr const char* kRemoteHostReason = "the file URI names another host; only local files can be reached";
}

ResolvedLocation::ResolvedLocation(const VrbString& location) noexcept
    : location_(location), uri_(getURIFromURIString(location)) {
    if (!uri_) {
        // Such a text is never a plain path: only short memory kept it from
        // parsing.
        if (vrbHasHadoopScheme(location)) {
            refusal_ = Refusal::NoMemory;
        } else {
            row_ = &plainPathScheme();
        }
        return;
    }
    row_ = findScheme(uri_->scheme());
    if (!row_) return;
    uriPath_ = uri_->path();
    if (!row_->reachesOtherHosts && !uri_->isLocal()) refusal_ = Refusal::RemoteHost;
}

ResolvedLocation::~ResolvedLocation() {
    if (uri_) uri_->release();
}

bool ResolvedLocation::refused(VrbString* error) const {
    switch (refusal_) {
        case Refusal::None: return false;
        case Refusal::NoMemory: *error = VRB_MESSAGE(kLabelService, 444); break;
        case Refusal::RemoteHost:
            *error = VRB_MESSAGE(kLabelService, 1353, location_.asCstr(), kRemoteHostReason);
            break;
    }
    return true;
}

BackendTarget ResolvedLocation::target() const {
    return uri_ ? BackendTarget(uri_, uriPath_) : BackendTarget(location_);
}
