// Parsed URIs of the host class library. The positions of the virtual
// operations are part of the contract with components built separately:
// never reorder them, only append.
#pragma once

#include "vrbclass/VrbString.h"

class VrURI {
public:
    // 1: releases the object (it lives on the heap only).
    virtual void release() = 0;
    // 2: the scheme as written (compare it without regard to case).
    virtual VrbString scheme() const = 0;
    // 3: the authority ("user@host:port"), empty when absent.
    virtual VrbString authority() const = 0;
    // 4: the path, percent-decoded. For a "file" URI the local path: on
    //    Windows "file:///C:/x" gives "C:/x" and a URI naming another host
    //    gives the UNC path "\\HOST\path".
    virtual VrbString path() const = 0;
    // 5: the part of this URI that URIs of its entries take over (authority
    //    and query for "hadoop" URIs); empty when there is nothing to take over.
    virtual VrbString inheritablePart() const = 0;
    // 6: the query without "?", as written (still percent-encoded).
    virtual VrbString query() const = 0;
    // 7: the fragment without "#", as written.
    virtual VrbString fragment() const = 0;
    // 8: the whole URI as text.
    virtual VrbString text() const = 0;
    // 9: the host as written (an IP literal keeps its brackets), empty when absent.
    virtual VrbString host() const = 0;
    // 10: the port, or -1 when none is given.
    virtual int port() const = 0;
    // 11: the user information before "@", empty when absent.
    virtual VrbString userInfo() const = 0;
    // 12: the percent-decoded value of the first query parameter named `key`;
    //     false when absent. A parameter without "=" has the empty value.
    virtual bool queryValue(const char* key, VrbString* value) const = 0;
    // 13: true when the URI names this machine (no host, "localhost", or a
    //     scheme without the notion of a host).
    virtual bool isLocal() const = 0;
    // 14: the buffer size the URI names (query parameter "buffersize", a
    //     positive decimal integer within the int range); false otherwise.
    virtual bool bufferSize(int* size) const = 0;

protected:
    ~VrURI() = default;
};

// Parses an RFC 3986 URI whose scheme has two or more characters. Returns
// null when the text is no such URI (plain paths such as "/tmp/a.txt",
// "a.txt", "C:\dir\a.txt" or "C:/dir/a.txt"), or when memory is short.
// Texts with characters that no URI holds (spaces, control characters,
// backslashes), with a "%" not followed by two hexadecimal digits, or with
// the escape "%00" are no URIs. Bytes 0x80-0xFF are accepted as in
// internationalised identifiers. The scheme is matched without regard to case.
// "hadoop" URIs give VrHadoopURI objects (VrHadoopURI.h).
VrURI* getURIFromURIString(const VrbString& text);
