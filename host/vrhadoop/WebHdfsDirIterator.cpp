#include "WebHdfsDirIterator.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <new>

#include <nlohmann/json.hpp>

#include "kerberos_credentials.h"
#include "vrbclass/listing_values.h"
#include "webhdfs_path.h"

namespace vrhadoop {
namespace {

// HDFS orders a directory's children by their UTF-8 bytes compared as
// signed values, so names with non-ASCII bytes come before ASCII ones.
bool hdfsNameBefore(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return static_cast<signed char>(x) <
                                                                    static_cast<signed char>(y); });
}

void assignLocalDate(std::int64_t seconds, VrbDate* date) {
    if (!vrbLocalDate(seconds, date)) *date = VrbDate();
}

std::string cannotList(const std::string& path, const std::string& reason) {
    return vrbListingBreakOff(path.c_str(), reason.c_str()).asCstr();
}

}  // namespace

// Rights are judged for the doas user when there is one; under Kerberos
// without user=, the ticket (or the keytab's principal) names the user.
WebHdfsDirIterator::WebHdfsDirIterator(const WebHdfsEndpoint& endpoint, std::string path)
    : client_(endpoint),
      path_(std::move(path)),
      user_(!endpoint.doAs.empty()                        ? endpoint.doAs
            : endpoint.user.empty() && endpoint.kerberos
                ? (endpoint.keytab.empty() ? kerberosUserName()
                                           : endpoint.principal.substr(0, endpoint.principal.find_first_of("/@")))
                : endpoint.user) {}

WebHdfsDirIterator* WebHdfsDirIterator::open(const WebHdfsEndpoint& endpoint, const std::string& path,
                                             std::string* message) {
    std::unique_ptr<WebHdfsDirIterator> iterator(new (std::nothrow) WebHdfsDirIterator(endpoint, path));
    if (!iterator || !iterator->client_.ready()) {
        *message = cannotList(path, iterator ? "the HTTP library could not be set up" : "out of memory");
        return nullptr;
    }
    WebHdfsEntry entry;
    Failure failure;
    if (!iterator->client_.status(path, &entry, &failure)) {
        if (failure.kind == FailureKind::NotFound) failure.phrase = "Directory does not exist";
        *message = cannotList(path, failure.text());
        return nullptr;
    }
    if (!entry.isDirectory) {
        *message = cannotList(path, "Path is a file, not a directory");
        return nullptr;
    }
    if (!iterator->fetchPage()) {
        *message = iterator->failure_;
        return nullptr;
    }
    return iterator.release();
}

bool WebHdfsDirIterator::fetchPage() {
    // The NameNode knows the parameter only by its lower-case name.
    std::string query;
    std::string after = page_.empty() ? std::string() : page_.back().name;
    if (!after.empty()) query = "&startafter=" + percentEncode(after, false);
    nlohmann::json answer;
    Failure failure;
    std::vector<WebHdfsEntry> entries;
    std::int64_t remaining = 0;
    if (!client_.callJson(HttpMethod::Get, "LISTSTATUS_BATCH", path_, query, &answer, &failure)) {
        failure_ = cannotList(path_, failure.text());
        return false;
    }
    if (!parseListingPage(answer, &entries, &remaining)) {
        failure_ = cannotList(path_, "the server sent a listing page that is not valid");
        return false;
    }
    if (entries.empty() && remaining > 0) {
        failure_ =
            cannotList(path_, "the server announced " + std::to_string(remaining) + " more entries but sent none");
        return false;
    }
    // Pages come in the server's name order; a page that does not start
    // after the last name would be listed again and again.
    if (!after.empty() && !entries.empty() && !hdfsNameBefore(after, entries.front().name)) {
        failure_ = cannotList(path_, "the server sent a page that does not continue the listing");
        return false;
    }
    page_ = std::move(entries);
    remainingEntries_ = remaining;
    nextEntry_ = 0;
    return true;
}

void WebHdfsDirIterator::reserved1() {}

bool WebHdfsDirIterator::next(VrbString* name, std::int64_t* extraValue, VrbDate* date, int* timeStamp,
                              bool* isDirectory, bool* isReadOnly, VrbString* error) {
    return guarded(error, false, [&] {
        if (failure_.empty() && nextEntry_ == page_.size() && remainingEntries_ > 0) fetchPage();
        if (!failure_.empty()) {
            setError(error, failure_);
            return false;
        }
        if (nextEntry_ == page_.size()) return false;
        const WebHdfsEntry& entry = page_[nextEntry_++];
        std::int64_t milliseconds = entry.modificationTime;
        std::int64_t seconds = milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0);
        if (name) name->assign(entry.name.data(), entry.name.size());
        if (extraValue) *extraValue = entry.length;
        if (date) assignLocalDate(seconds, date);
        if (timeStamp) *timeStamp = vrbListingTimeStamp(seconds);
        if (isDirectory) *isDirectory = entry.isDirectory;
        if (isReadOnly) *isReadOnly = isReadOnlyFor(entry, user_);
        return true;
    });
}

void WebHdfsDirIterator::release() { delete this; }

}  // namespace vrhadoop
