// WebHDFS answers from a hostile server: FileStatus objects, listing pages,
// error answers (RemoteException bodies, statuses, authentication
// challenges) and redirects, as the access library reads them. Nothing may
// throw, what is accepted must be sound, and no delegation token may show
// in a failure's words, not even in part.
#include <exception>
#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FuzzInput.h"
#include "WebHdfsClient.h"
#include "failure.h"
#include "file_status_json.h"
#include "webhdfs_path.h"

namespace {

// Kept out of the input, so that finding any 8 bytes of it in a failure
// means the library let the token through.
constexpr const char kToken[] = "Zq7sEcReT9vX";
constexpr const char kTokenPart[] = "Zq7sEcRe";

void checkEntry(const vrhadoop::WebHdfsEntry& entry) {
    FUZZ_CHECK(entry.permission >= 0 && entry.permission <= 07777, "permission %o", entry.permission);
    FUZZ_CHECK(entry.length >= 0, "length %lld accepted", static_cast<long long>(entry.length));
}

void checkAnswer(const nlohmann::json& answer) {
    vrhadoop::WebHdfsEntry entry;
    if (vrhadoop::parseFileStatus(answer, &entry)) checkEntry(entry);
    auto status = answer.is_object() ? answer.find("FileStatus") : answer.end();
    if (answer.is_object() && status != answer.end() && vrhadoop::parseFileStatus(*status, &entry)) checkEntry(entry);
    std::vector<vrhadoop::WebHdfsEntry> entries;
    std::int64_t remaining = 0;
    if (vrhadoop::parseListingPage(answer, &entries, &remaining)) {
        for (const vrhadoop::WebHdfsEntry& item : entries) {
            FUZZ_CHECK(!item.name.empty(), "listing entry without a name");
            checkEntry(item);
        }
    }
    const std::string address = vrhadoop::transferAddressOf(answer, "127.0.0.1", 9864);
    FUZZ_CHECK(address.empty() || address.rfind(':') != std::string::npos, "transfer address %s", address.c_str());
}

void checkNoToken(const std::string& text, const char* where) {
    FUZZ_CHECK(text.find(kTokenPart) == std::string::npos, "%s shows the token: %s", where, text.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    vrhadoop::HttpOutcome outcome;
    outcome.server = "http://nn:9870";
    outcome.status = input.range(0, 599);
    if (input.byte() == 0xFF) outcome.transportError = "connection reset";
    outcome.authenticate = input.text(40);
    std::string tokenTail = input.text(12);
    // Tokens are printable (URL-safe Base64 in practice).
    for (char c : tokenTail) {
        if (c <= ' ' || c > '~' || c == '*') return 0;
    }
    if (tokenTail.find("Zq7") != std::string::npos) return 0;
    const std::string location = input.text(120);
    std::string body = input.rest();
    for (const std::string* part : std::initializer_list<const std::string*>{&body, &outcome.authenticate, &location}) {
        if (part->find("Zq7") != std::string::npos) return 0;
    }

    // Bytes 01 and 02 of the body stand for the token, plain and as a URL
    // carries it, so that the fuzzer need not guess it.
    const std::string token = kToken + tokenTail;
    const std::string encodedToken = vrhadoop::percentEncode(token, false);
    std::string answerText;
    for (char c : body) {
        if (c == '\x01') {
            answerText += token;
        } else if (c == '\x02') {
            answerText += encodedToken;
        } else {
            answerText += c;
        }
    }
    outcome.body = answerText;
    outcome.location = location;

    try {
        const nlohmann::json answer = nlohmann::json::parse(answerText, nullptr, false);
        checkAnswer(answer);

        vrhadoop::WebHdfsClient client(
            vrhadoop::WebHdfsEndpoint{"https://nn:9871", "", token, "", "", "", false, {}, "", {}});
        const vrhadoop::Failure failure = client.failureOf(outcome);
        checkNoToken(failure.text(), "failure");
        FUZZ_CHECK(!failure.phrase.empty(), "a failure without words");

        // A redirect that leaves https is refused, naming servers only.
        const std::string target = location + (location.find('?') == std::string::npos ? "?" : "&") +
                                   "delegation=" + encodedToken;
        vrhadoop::Failure refusal;
        const bool kept = vrhadoop::redirectKeepsSecurity(client.url("OPEN", "/a"), target, &refusal);
        if (!kept) checkNoToken(refusal.text(), "redirect refusal");
        const bool toHttps = target.size() >= 6 && (target[0] | 0x20) == 'h' && (target[1] | 0x20) == 't' &&
                             (target[2] | 0x20) == 't' && (target[3] | 0x20) == 'p' && (target[4] | 0x20) == 's' &&
                             target[5] == ':';
        FUZZ_CHECK(kept == toHttps, "redirect to %s: %s", target.c_str(), kept ? "kept" : "refused");
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, "exception: %s", e.what());
    }
    return 0;
}
