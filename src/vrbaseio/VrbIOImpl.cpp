#include "vrbaseio/VrbIOImpl.h"

#include <new>

#include "ResolvedLocation.h"
#include "vrbaseio_compress/VrbIORawCompressed.h"
#include "vrbaseio_core/source_labels.h"
#include "vrbaseio_text/VrbIOTextWrapper.h"
#include "vrbclass/vrb_message.h"

VrbDirectoryListing* VrbIOImpl::openDirectory(const VrbString& location, int listingFlags, VrbString* error) {
    ResolvedLocation resolved(location);
    if (resolved.refused(error)) return nullptr;
    if (!resolved.row()) {
        *error = VRB_MESSAGE(kLabelService, 467, location.asCstr(), -1);
        return nullptr;
    }
    return resolved.row()->createListing(this, resolved.target(), listingFlags, error);
}

VrbTxtFile* VrbIOImpl::openTextFile(const VrbString& location, int openMode, int encoding, int flags,
                                    VrbString* error) {
    VrbIORaw* raw = nullptr;
    {
        // The URI goes before the text file opens: the raw stream keeps what
        // it needs of it.
        ResolvedLocation resolved(location);
        if (resolved.refused(error)) return nullptr;
        if (!resolved.row()) {
            *error = VRB_MESSAGE(kLabelService, 1455, location.asCstr());
            return nullptr;
        }
        raw = resolved.row()->createRawStream(this, resolved.target(), error);
        raw = addCompressionLayer(raw, resolved.target().path, openMode, flags, error);
    }
    if (!raw) return nullptr;

    auto* text = new (std::nothrow) VrbIOTextWrapper(this, raw, openMode, encoding, flags);
    if (!text) {
        *error = VRB_MESSAGE(kLabelService, 444);
        raw->destroy();
        return nullptr;
    }
    if (!text->open()) {
        *error = text->errorText();
        text->destroy();
        return nullptr;
    }
    return text;
}

void VrbIOImpl::destroy() { delete this; }
