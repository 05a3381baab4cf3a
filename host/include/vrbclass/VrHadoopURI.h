// "hadoop" URIs: hadoop://HOST:PORT/path?user=NAME&buffersize=N&delegation=T&ssl=true
// Operations 15 to 24 extend VrURI; their positions are fixed like VrURI's.
#pragma once

#include "vrbclass/VrURI.h"

class VrHadoopURI : public VrURI {
public:
    // 15: the user name (query "user"), empty when absent.
    virtual VrbString user() const = 0;
    // 16: the delegation token (query "delegation"), empty when absent.
    virtual VrbString delegationToken() const = 0;
    // 17: whether requests go over https (query "ssl=true").
    virtual bool useSsl() const = 0;
    // 18: "http://HOST:PORT" or "https://HOST:PORT" of the NameNode.
    virtual VrbString nameNodeBase() const = 0;
    // 19-23: reserved.
    virtual void reserved19() = 0;
    virtual void reserved20() = 0;
    virtual void reserved21() = 0;
    virtual void reserved22() = 0;
    virtual void reserved23() = 0;
    // 24: takes over the part that inheritablePart() of a listing's URI gave.
    //     False refuses it with a message in *error.
    virtual bool applyInheritedPart(VrbString* part, VrbString* error) = 0;

protected:
    ~VrHadoopURI() = default;
};

// Builds a "hadoop" URI for an entry from its path; null on failure. Until
// the "hadoop" URI class exists it is always null, and getURIFromURIString
// parses "hadoop" URIs as generic VrURI objects.
VrHadoopURI* getHadoopURIFromComponents(const VrbString& path);
