// WebHDFS FileStatus objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace vrhadoop {

struct WebHdfsEntry {
    std::string name;                     // pathSuffix: empty for the status of a path itself
    bool isDirectory = false;
    std::int64_t length = 0;
    std::int64_t modificationTime = 0;    // milliseconds since 1970 UTC
    int permission = 0;                   // octal bits, e.g. 0755 or 01777
    std::string owner;
    std::string group;
    // The inode's number: a CREATE that replaces a file makes a new one.
    // 0 when the server sends none.
    std::int64_t fileId = 0;
};

// False when `object` is no FileStatus (a field missing or of the wrong type).
bool parseFileStatus(const nlohmann::json& object, WebHdfsEntry* entry);

// One page of a LISTSTATUS_BATCH answer: its entries, each named, and the
// count the server still has. False when the answer is no such page.
bool parseListingPage(const nlohmann::json& answer, std::vector<WebHdfsEntry>* entries, std::int64_t* remaining);

// The data transfer address ("IP:PORT") of the DataNode that serves WebHDFS
// at `host` (its IP address or name) and `httpPort` (http or https), from a
// GET_BLOCK_LOCATIONS answer ({"LocatedBlocks": {"locatedBlocks": [{"locations":
// [{"ipAddr", "hostName", "xferPort", "infoPort", "infoSecurePort"}...]}...]}}).
// The NameNode knows DataNodes by that address in `excludedatanodes`, not by
// the HTTP address its redirects name. Empty when the answer names no such
// DataNode.
std::string transferAddressOf(const nlohmann::json& answer, const std::string& host, long httpPort);

// Whether `user` may not write the entry by its permission bits: the owner's
// write bit when the user owns it, else the bit for others. A client cannot
// know the user's groups (nor whether the user is a superuser), so the group
// bits are never consulted; an empty user (the server's default) counts as
// an other user.
bool isReadOnlyFor(const WebHdfsEntry& entry, const std::string& user);

}  // namespace vrhadoop
