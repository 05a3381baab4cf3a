// A URI parsed by the generic grammar (uri_syntax.h). For a "file" URI the
// path is the local path it names; for other schemes it is the decoded path.
#pragma once

#include "path_style.h"
#include "vrbclass/VrURI.h"

class VrbGenericURI final : public VrURI {
public:
    // Null when `text` is no URI or memory is short. `style` decides how a
    // "file" URI's path becomes a local path.
    static VrbGenericURI* parse(const VrbString& text, vrbpath::PathStyle style) noexcept;

    void release() override;
    VrbString scheme() const override;
    VrbString authority() const override;
    VrbString path() const override;
    // Neither "file" URIs nor generic ones pass anything on to their entries.
    VrbString inheritablePart() const override;
    VrbString query() const override;
    VrbString fragment() const override;
    VrbString text() const override;
    VrbString host() const override;
    int port() const override;
    VrbString userInfo() const override;
    bool queryValue(const char* key, VrbString* value) const override;
    bool isLocal() const override;
    // Query parameter "buffersize": a positive decimal integer within the int range.
    bool bufferSize(int* size) const override;

private:
    VrbGenericURI() = default;
    ~VrbGenericURI() = default;

    VrbString text_;
    VrbString scheme_;
    VrbString authority_;
    VrbString userInfo_;
    VrbString host_;
    int port_ = -1;
    VrbString path_;
    VrbString query_;
    VrbString fragment_;
    bool isLocal_ = true;
};
