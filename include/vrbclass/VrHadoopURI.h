// "hadoop" URIs name a file or directory of a Hadoop file system reached over
// its WebHDFS interface:
//
//   hadoop://HOST[:PORT][/PATH][?PARAMETER&PARAMETER...]
//
// HOST:PORT is the NameNode's HTTP address (PORT 9870 when omitted); HOST is
// a name, an IPv4 address or a bracketed IPv6 address. PATH is absolute; an
// empty PATH names the root "/". Characters that a URI path cannot hold are
// written as %XX escapes of their UTF-8 bytes: "%20" for a space, "%25" for
// "%", "%23" for "#", "%3F" for "?". Parameters (names are case-sensitive,
// values percent-decoded, unknown ones ignored):
//   user=NAME          act as this user (without it the server's default user)
//   buffersize=N       block size for the file's buffer, 1 to 2147483647
//   delegation=TOKEN   a delegation token; never shown in messages
//   ssl=true|false     https instead of http (default false); certificates
//                      are always verified
//   auth=kerberos|simple   kerberos: NameNode requests authenticate with
//                      SPNEGO from the default credential cache
//   cafile=PATH        PEM file of the CAs that verify https (needs ssl=true)
//   capath=DIR         hashed directory of such CAs (needs ssl=true)
//   proxy=URL          send every request through this proxy
//                      (http://HOST:PORT, https://, socks4://, socks4a://,
//                      socks5:// or socks5h://); without it no proxy is
//                      used, whatever the environment says
//   namenodes=HOST:PORT[,HOST:PORT...]
//                      further NameNodes of the same (HA) cluster, tried in
//                      turn after HOST:PORT (PORT 9870 when omitted; an
//                      IPv6 address in brackets, written %5B...%5D)
//   doas=USER          act as USER through a proxy-user grant (WebHDFS doas)
// User information ("NAME@HOST") and fragments ("#...") are refused by
// validate(): the user goes in the query, and a "#" in a name is "%23".
//
// Operations 15 to 24 extend VrURI; their positions are fixed like VrURI's.
// For these URIs, path() is the decoded path ("/" when empty), and
// inheritablePart() is "//AUTHORITY" followed by "?QUERY" when the URI has a
// query, e.g. "//nn:9870?user=alice&buffersize=65536".
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
    // 19: true when the URI can name a file system: valid URI syntax, a
    //     host, no user information, no fragment, and valid "ssl",
    //     "buffersize", "proxy", "auth", "cafile", "capath", "namenodes"
    //     and "doas" values.
    //     False with a message (the URI masked) in *error.
    virtual bool validate(VrbString* error) const = 0;
    // 20: the whole URI as text with every delegation token replaced by
    //     "***", for messages.
    virtual VrbString maskedText() const = 0;
    // 21-23: reserved.
    virtual void reserved21() = 0;
    virtual void reserved22() = 0;
    virtual void reserved23() = 0;
    // 24: takes over the part that inheritablePart() of a listing's URI gave
    //     (authority and query replace this URI's own); the path stays.
    //     False refuses a malformed part with a message in *error and leaves
    //     the URI unchanged.
    virtual bool applyInheritedPart(VrbString* part, VrbString* error) = 0;

protected:
    ~VrHadoopURI() = default;
};

// A "hadoop" URI without authority for an entry's path (e.g.
// "/dir/name with space.txt" gives "hadoop:///dir/name%20with%20space.txt");
// a path without a leading "/" is taken from the root. Null for an empty
// path or when memory is short.
VrHadoopURI* getHadoopURIFromComponents(const VrbString& path);

// `text` parsed as a "hadoop" URI; null when its scheme is not "hadoop" or
// memory is short. A text with that scheme which breaks the URI grammar
// (a raw space, a bad "%" escape, a list of hosts) still gives an object,
// whose validate() refuses it with the reason, so that no such text is ever
// taken for a local path. getURIFromURIString gives the same objects for
// "hadoop" texts.
VrHadoopURI* getHadoopURIFromURIString(const VrbString& text);
