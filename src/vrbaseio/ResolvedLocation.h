// A location resolved to the scheme row that serves it, for the length of
// one service operation.
#pragma once

#include "scheme_table.h"
#include "vrbclass/VrURI.h"

class ResolvedLocation {
public:
    explicit ResolvedLocation(const VrbString& location) noexcept;
    // Releases the parsed URI.
    ~ResolvedLocation();
    ResolvedLocation(const ResolvedLocation&) = delete;
    ResolvedLocation& operator=(const ResolvedLocation&) = delete;

    // True, with the message in *error, when the location must not be opened
    // at all: memory ran short, or the URI names a host its backend cannot
    // reach.
    bool refused(VrbString* error) const;
    // The row that serves the location; null for an unknown scheme.
    const SchemeRow* row() const { return row_; }
    // What the row's factories are given.
    BackendTarget target() const;

private:
    enum class Refusal { None, NoMemory, RemoteHost };

    const VrbString& location_;
    // Null for a plain path; owned.
    VrURI* uri_ = nullptr;
    const SchemeRow* row_ = nullptr;
    // The URI's decoded path, when the location is a URI a row serves.
    VrbString uriPath_;
    Refusal refusal_ = Refusal::None;
};
