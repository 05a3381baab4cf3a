#include "file_status_json.h"

#include <limits>

#include <nlohmann/json.hpp>

namespace vrhadoop {
namespace {

// A number within the 64-bit range; a fraction is cut off. Anything else
// (a string, infinity, 1e300, an unsigned value past the range) is no such
// field, so that no conversion overflows.
bool integerField(const nlohmann::json& object, const char* name, std::int64_t* value) {
    auto found = object.find(name);
    if (found == object.end()) return false;
    if (found->is_number_unsigned()) {
        const std::uint64_t number = found->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
        *value = static_cast<std::int64_t>(number);
        return true;
    }
    if (found->is_number_integer()) {
        *value = found->get<std::int64_t>();
        return true;
    }
    if (found->is_number_float()) {
        // -2^63 is exact as a double; 2^63 is the first value past the range.
        const double number = found->get<double>();
        if (!(number >= -9223372036854775808.0 && number < 9223372036854775808.0)) return false;
        *value = static_cast<std::int64_t>(number);
        return true;
    }
    return false;
}

bool stringField(const nlohmann::json& object, const char* name, std::string* value) {
    auto found = object.find(name);
    if (found == object.end() || !found->is_string()) return false;
    *value = found->get<std::string>();
    return true;
}

bool parseOctal(const std::string& text, int* bits) {
    if (text.empty() || text.size() > 4) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '7') return false;
        value = value * 8 + (c - '0');
    }
    *bits = value;
    return true;
}

// "755" or "1777"; some servers send the same octal digits as a number.
bool permissionField(const nlohmann::json& object, int* permission) {
    auto found = object.find("permission");
    if (found == object.end()) return false;
    if (found->is_number_unsigned()) return parseOctal(std::to_string(found->get<std::uint64_t>()), permission);
    return found->is_string() && parseOctal(found->get_ref<const std::string&>(), permission);
}

const nlohmann::json* member(const nlohmann::json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace

bool parseFileStatus(const nlohmann::json& object, WebHdfsEntry* entry) {
    if (!object.is_object()) return false;
    std::string type;
    if (!stringField(object, "pathSuffix", &entry->name) || !stringField(object, "type", &type) ||
        !integerField(object, "length", &entry->length) || entry->length < 0 ||
        !integerField(object, "modificationTime", &entry->modificationTime) ||
        !permissionField(object, &entry->permission)) {
        return false;
    }
    entry->isDirectory = type == "DIRECTORY";
    // Owner and group are informative only; a server may leave them out.
    if (!stringField(object, "owner", &entry->owner)) entry->owner.clear();
    if (!stringField(object, "group", &entry->group)) entry->group.clear();
    if (!integerField(object, "fileId", &entry->fileId)) entry->fileId = 0;
    return true;
}

// {"DirectoryListing": {"partialListing": {"FileStatuses": {"FileStatus": [...]}},
//                       "remainingEntries": N}}
bool parseListingPage(const nlohmann::json& answer, std::vector<WebHdfsEntry>* entries, std::int64_t* remaining) {
    const nlohmann::json* listing = member(answer, "DirectoryListing");
    const nlohmann::json* partial = listing ? member(*listing, "partialListing") : nullptr;
    const nlohmann::json* statuses = partial ? member(*partial, "FileStatuses") : nullptr;
    const nlohmann::json* list = statuses ? member(*statuses, "FileStatus") : nullptr;
    const nlohmann::json* more = listing ? member(*listing, "remainingEntries") : nullptr;
    if (!list || !list->is_array() || !more || !more->is_number_integer()) return false;
    *remaining = more->get<std::int64_t>();
    entries->clear();
    entries->reserve(list->size());
    for (const nlohmann::json& item : *list) {
        WebHdfsEntry entry;
        if (!parseFileStatus(item, &entry) || entry.name.empty()) return false;
        entries->push_back(std::move(entry));
    }
    return true;
}

std::string transferAddressOf(const nlohmann::json& answer, const std::string& host, long httpPort) {
    const nlohmann::json* located = member(answer, "LocatedBlocks");
    const nlohmann::json* blocks = located ? member(*located, "locatedBlocks") : nullptr;
    const nlohmann::json* last = located ? member(*located, "lastLocatedBlock") : nullptr;
    std::vector<const nlohmann::json*> all;
    if (blocks && blocks->is_array()) {
        for (const nlohmann::json& block : *blocks) all.push_back(&block);
    }
    if (last) all.push_back(last);
    for (const nlohmann::json* block : all) {
        const nlohmann::json* locations = member(*block, "locations");
        if (!locations || !locations->is_array()) continue;
        for (const nlohmann::json& node : *locations) {
            if (!node.is_object()) continue;
            std::string ip, name;
            std::int64_t transfer = 0, http = 0, https = 0;
            if (!stringField(node, "ipAddr", &ip) || ip.empty() || !integerField(node, "xferPort", &transfer) ||
                transfer <= 0 || transfer > 65535) {
                continue;
            }
            bool named = host == ip || (stringField(node, "hostName", &name) && host == name);
            bool port = (integerField(node, "infoPort", &http) && http == httpPort) ||
                        (integerField(node, "infoSecurePort", &https) && https == httpPort);
            if (named && port) return ip + ":" + std::to_string(transfer);
        }
    }
    return {};
}

bool isReadOnlyFor(const WebHdfsEntry& entry, const std::string& user) {
    int writeBit = (!user.empty() && user == entry.owner) ? 0200 : 0002;
    return (entry.permission & writeBit) == 0;
}

}  // namespace vrhadoop
