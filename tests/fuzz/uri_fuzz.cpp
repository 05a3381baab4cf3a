// Locations from outside: any text parsed as a URI, printed and parsed
// again must give the same URI; entry URIs built from listing paths keep
// their path; and no secret a location carries shows in a text meant for
// messages.
#include <cstring>
#include <string>

#include "FuzzInput.h"
#include "vrbclass/VrHadoopURI.h"
#include "vrbclass/VrURI.h"
#include "vrbclass/vrb_message.h"

namespace {

// A value the input is kept from holding, so that finding it in a message
// means the library let a secret through.
constexpr const char kSecret[] = "Zq7sEcReT9vX";

std::string str(const VrbString& text) { return std::string(text.asCstr(), text.length()); }

bool iequals(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    }
    return true;
}

bool holdsSecret(const std::string& text) { return text.find(kSecret) != std::string::npos; }

std::string describe(const VrURI& uri) {
    std::string out = str(uri.scheme()) + "|" + str(uri.authority()) + "|" + str(uri.path()) + "|" +
                      str(uri.inheritablePart()) + "|" + str(uri.query()) + "|" + str(uri.fragment()) + "|" +
                      str(uri.host()) + "|" + std::to_string(uri.port()) + "|" + str(uri.userInfo()) + "|" +
                      (uri.isLocal() ? "local" : "remote");
    int size = 0;
    out += uri.bufferSize(&size) ? "|buffer " + std::to_string(size) : "|no buffer";
    for (const char* key : {"user", "delegation", "buffersize", "ssl", "proxy"}) {
        VrbString value;
        out += uri.queryValue(key, &value) ? "|" + std::string(key) + "=" + str(value) : "|-";
    }
    return out;
}

std::string describeHadoop(const VrHadoopURI& uri) {
    VrbString error;
    const bool valid = uri.validate(&error);
    return describe(uri) + "|" + str(uri.user()) + "|" + str(uri.delegationToken()) + "|" +
           (uri.useSsl() ? "ssl" : "plain") + "|" + str(uri.nameNodeBase()) + "|" +
           (valid ? "valid" : "invalid: " + str(error)) + "|" + str(uri.maskedText());
}

// The texts the library makes for messages about the URI.
void checkNoSecretShows(const VrURI& uri, bool hadoop) {
    const std::string quoted = str(vrb_get_message("", 0, "Base Services", 1353, uri.text().asCstr(), "x"));
    FUZZ_CHECK(!holdsSecret(quoted), "message quoting the URI: %s", quoted.c_str());
    if (!hadoop) return;
    const auto& hadoopUri = static_cast<const VrHadoopURI&>(uri);
    const std::string masked = str(hadoopUri.maskedText());
    FUZZ_CHECK(!holdsSecret(masked), "maskedText: %s", masked.c_str());
    VrbString error;
    if (!hadoopUri.validate(&error)) FUZZ_CHECK(!holdsSecret(str(error)), "validate: %s", error.asCstr());
}

void checkReparse(const std::string& text) {
    VrURI* uri = getURIFromURIString(VrbString(text.data(), text.size()));
    if (!uri) return;
    const bool hadoop = iequals(str(uri->scheme()), "hadoop");
    const std::string printed = str(uri->text());
    VrURI* again = getURIFromURIString(VrbString(printed.data(), printed.size()));
    FUZZ_CHECK(again, "%s printed as %s, which does not parse", text.c_str(), printed.c_str());
    const std::string first = hadoop ? describeHadoop(static_cast<VrHadoopURI&>(*uri)) : describe(*uri);
    const std::string second = hadoop ? describeHadoop(static_cast<VrHadoopURI&>(*again)) : describe(*again);
    FUZZ_CHECK(first == second && printed == str(again->text()), "%s\n  parsed %s\n  printed %s\n  parsed %s",
               text.c_str(), first.c_str(), printed.c_str(), second.c_str());
    if (holdsSecret(text)) checkNoSecretShows(*uri, hadoop);
    again->release();
    uri->release();
}

// An entry of a listing: its URI from the path, then the listing's
// authority and query taken over; the path survives both and a reparse.
void checkEntry(const std::string& listingText, const std::string& path) {
    VrHadoopURI* entry = getHadoopURIFromComponents(VrbString(path.data(), path.size()));
    if (!entry) return;
    const std::string entryPath = str(entry->path());
    VrHadoopURI* listing = getHadoopURIFromURIString(VrbString(listingText.data(), listingText.size()));
    if (listing && listing->validate(nullptr)) {
        VrbString part = listing->inheritablePart();
        VrbString error;
        if (entry->applyInheritedPart(&part, &error)) {
            FUZZ_CHECK(str(entry->path()) == entryPath && str(entry->authority()) == str(listing->authority()) &&
                           str(entry->query()) == str(listing->query()),
                       "entry %s of %s became %s", path.c_str(), listingText.c_str(), entry->text().asCstr());
        } else {
            FUZZ_CHECK(!holdsSecret(str(error)), "applyInheritedPart: %s", error.asCstr());
        }
    }
    const std::string printed = str(entry->text());
    VrURI* again = getURIFromURIString(VrbString(printed.data(), printed.size()));
    FUZZ_CHECK(again && str(again->path()) == entryPath, "entry %s printed as %s reads back as %s", path.c_str(),
               printed.c_str(), again ? again->path().asCstr() : "nothing");
    again->release();
    if (listing) listing->release();
    entry->release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    const int secret = input.range(0, 4);
    const std::string path = input.text(200);
    std::string text = input.rest();
    text = text.substr(0, text.find('\0'));
    if (text.find("Zq7") != std::string::npos || path.find("Zq7") != std::string::npos) return 0;

    // A secret the location carries, in the forms the masking must know.
    static const char* const kCarriers[] = {"", "delegation=", "DeLeGaTiOn=", "%64elegation=",
                                            "proxy=http://user:"};
    if (secret > 0) {
        text += text.find('?') == std::string::npos ? '?' : '&';
        text += std::string(kCarriers[secret]) + kSecret;
        if (secret == 4) text += "@gate:3128";
    }
    checkReparse(text);
    checkEntry(text, path.substr(0, path.find('\0')));
    return 0;
}
