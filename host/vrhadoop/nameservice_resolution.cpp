#include "nameservice_resolution.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "vrbclass/VrHadoopURI.h"

namespace vrhadoop {
namespace {

constexpr std::string_view kScheme = "hadoop:";

struct ReleaseUri {
    void operator()(VrHadoopURI* uri) const { uri->release(); }
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string trimmed(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

// The non-empty items of a comma-separated value, trimmed.
std::vector<std::string> listItems(std::string_view list) {
    std::vector<std::string> items;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        std::string item = trimmed(list.substr(start, comma - start));
        if (!item.empty()) items.push_back(std::move(item));
        start = comma + 1;
    }
    return items;
}

// Where the authority of a hadoop URI's text lies: [begin, end), after
// "hadoop://"; both at the end of "hadoop:" when the text has no "//".
struct AuthoritySpan {
    std::size_t begin = kScheme.size();
    std::size_t end = kScheme.size();
    bool slashes = false;
};

AuthoritySpan authorityOf(const std::string& text) {
    AuthoritySpan span;
    if (text.compare(kScheme.size(), 2, "//") != 0) return span;
    span.slashes = true;
    span.begin = kScheme.size() + 2;
    span.end = text.find_first_of("/?#", span.begin);
    if (span.end == std::string::npos) span.end = text.size();
    return span;
}

bool hasHadoopScheme(const std::string& text) {
    return text.size() >= kScheme.size() && equalIgnoringCase(std::string_view(text).substr(0, kScheme.size()), kScheme);
}

// The configuration's answers for one URI. Invariant: error_ holds the first
// failure and every later question is then answered with nothing.
class NameserviceResolver {
public:
    explicit NameserviceResolver(const ClusterConfiguration& configuration) : configuration_(configuration) {}

    std::optional<std::string> value(const std::string& name) {
        std::optional<std::string> found;
        if (!error_.empty() || !configuration_.get(name, &found, &error_)) return std::nullopt;
        if (found) *found = trimmed(*found);
        return found;
    }

    // The configured nameservice that `host` names, spelt as configured.
    std::optional<std::string> nameservice(std::string_view host) {
        std::optional<std::string> list = value("dfs.nameservices");
        if (!list) return std::nullopt;
        for (const std::string& item : listItems(*list)) {
            if (equalIgnoringCase(item, host)) return item;
        }
        return std::nullopt;
    }

    // "HOST:PORT" of each NameNode of nameservice `ns`, in configured order.
    std::vector<std::string> nameNodes(const std::string& ns, bool ssl) {
        const std::string key = ssl ? "dfs.namenode.https-address." : "dfs.namenode.http-address.";
        std::optional<std::string> ids = value("dfs.ha.namenodes." + ns);
        std::vector<std::string> addresses;
        if (!ids) {
            addresses.push_back(required(key + ns, "nameservice " + ns + " names no NameNodes (dfs.ha.namenodes." +
                                                       ns + ") and has no address"));
        } else {
            for (const std::string& id : listItems(*ids)) {
                addresses.push_back(required(key + ns + "." + id, "NameNode " + id + " of nameservice " + ns +
                                                                      " has no address"));
            }
            if (addresses.empty()) fail("dfs.ha.namenodes." + ns + " names no NameNodes");
        }
        return addresses;
    }

    std::string required(const std::string& name, const std::string& what) {
        std::optional<std::string> found = value(name);
        if (found && !found->empty()) return *found;
        fail(what + ": " + directoryWords() + " sets no " + name);
        return {};
    }

    void fail(const std::string& reason) {
        if (error_.empty()) error_ = "Hadoop configuration: " + reason;
    }

    std::string directoryWords() const {
        return configuration_.directory().empty() ? "the configuration" : "the configuration in " +
                                                                              configuration_.directory();
    }

    const std::string& error() const { return error_; }

private:
    const ClusterConfiguration& configuration_;
    std::string error_;
};

// Where the URI goes: its authority and the parameters it gains.
struct Destination {
    std::vector<std::string> nameNodes;   // HOST:PORT, the first becomes the URI's authority
    bool ssl = false;
};

// IPv6 brackets are written escaped inside a query value.
std::string queryEscaped(const std::string& item) {
    std::string escaped;
    for (char c : item) {
        if (c == '[') escaped += "%5B";
        else if (c == ']') escaped += "%5D";
        else escaped += c;
    }
    return escaped;
}

// fs.defaultFS (or its old name fs.default.name) as the destination of a
// URI without a host.
bool defaultDestination(NameserviceResolver& resolver, std::optional<bool> sslParameter, bool httpsOnly,
                        Destination* destination) {
    std::optional<std::string> defaultFs = resolver.value("fs.defaultFS");
    const char* key = "fs.defaultFS";
    if (!defaultFs) {
        defaultFs = resolver.value("fs.default.name");
        key = "fs.default.name";
    }
    if (!resolver.error().empty()) return false;
    if (!defaultFs) {
        resolver.fail("the URI names no NameNode and " + resolver.directoryWords() + " sets no fs.defaultFS");
        return false;
    }
    std::string_view value = *defaultFs;
    std::size_t colon = value.find("://");
    std::string scheme = colon == std::string_view::npos ? std::string() : std::string(value.substr(0, colon));
    std::string_view rest = colon == std::string_view::npos ? value : value.substr(colon + 3);
    std::string authority(rest.substr(0, rest.find('/')));
    bool secureScheme = equalIgnoringCase(scheme, "swebhdfs");
    destination->ssl = sslParameter.value_or(httpsOnly || secureScheme);
    if ((equalIgnoringCase(scheme, "webhdfs") || secureScheme) && !authority.empty()) {
        destination->nameNodes.push_back(authority);
        return true;
    }
    if (equalIgnoringCase(scheme, "hdfs") && !authority.empty()) {
        if (authority.find(':') == std::string::npos) {
            if (std::optional<std::string> ns = resolver.nameservice(authority)) {
                destination->nameNodes = resolver.nameNodes(*ns, destination->ssl);
                return resolver.error().empty();
            }
        }
        // A single NameNode: fs.defaultFS gives its RPC address, WebHDFS
        // listens on its HTTP address.
        destination->nameNodes.push_back(resolver.required(
            destination->ssl ? "dfs.namenode.https-address" : "dfs.namenode.http-address",
            std::string(key) + " is " + *defaultFs + ", a NameNode's RPC address"));
        return resolver.error().empty();
    }
    resolver.fail(std::string(key) + " is " + *defaultFs + " (" + resolver.directoryWords() +
                  "): only hdfs://NAMESERVICE, hdfs://HOST, webhdfs://HOST:PORT and swebhdfs://HOST:PORT name "
                  "a cluster this library reaches");
    return false;
}

}  // namespace

bool mayNameNameservice(const std::string& uriText) {
    if (!hasHadoopScheme(uriText)) return false;
    AuthoritySpan span = authorityOf(uriText);
    std::string_view authority = std::string_view(uriText).substr(span.begin, span.end - span.begin);
    return authority.find_first_of(":@[") == std::string_view::npos;
}

bool resolveNameservice(const ClusterConfiguration& configuration, std::string* uriText, std::string* error) {
    if (!mayNameNameservice(*uriText)) return true;
    std::unique_ptr<VrHadoopURI, ReleaseUri> uri(getHadoopURIFromURIString(VrbString(uriText->data(), uriText->size())));
    auto parameter = [&](const char* name) -> std::optional<std::string> {
        VrbString value;
        if (!uri || !uri->queryValue(name, &value)) return std::nullopt;
        return std::string(value.asCstr(), value.length());
    };
    std::optional<bool> sslParameter;
    if (std::optional<std::string> ssl = parameter("ssl")) sslParameter = equalIgnoringCase(*ssl, "true");

    NameserviceResolver resolver(configuration);
    std::optional<std::string> policy = resolver.value("dfs.http.policy");
    bool httpsOnly = policy && equalIgnoringCase(*policy, "HTTPS_ONLY");
    AuthoritySpan span = authorityOf(*uriText);
    std::string host = uriText->substr(span.begin, span.end - span.begin);
    Destination destination;
    if (host.empty()) {
        if (!defaultDestination(resolver, sslParameter, httpsOnly, &destination)) {
            *error = resolver.error();
            return false;
        }
    } else {
        std::optional<std::string> ns = resolver.nameservice(host);
        if (!ns) {
            *error = resolver.error();
            return resolver.error().empty();
        }
        destination.ssl = sslParameter.value_or(httpsOnly);
        destination.nameNodes = resolver.nameNodes(*ns, destination.ssl);
    }
    if (!resolver.error().empty()) {
        *error = resolver.error();
        return false;
    }

    std::string added;
    auto add = [&](const std::string& name, const std::string& value) {
        if (!parameter(name.c_str())) added += "&" + name + "=" + value;
    };
    if (destination.nameNodes.size() > 1) {
        std::string others;
        for (std::size_t i = 1; i < destination.nameNodes.size(); ++i) {
            others += (i > 1 ? "," : "") + queryEscaped(destination.nameNodes[i]);
        }
        add("namenodes", others);
    }
    if (destination.ssl) add("ssl", "true");
    std::optional<std::string> authentication = resolver.value("hadoop.security.authentication");
    if (authentication && equalIgnoringCase(*authentication, "kerberos")) add("auth", "kerberos");
    if (!resolver.error().empty()) {
        *error = resolver.error();
        return false;
    }

    std::string text = *uriText;
    std::size_t fragment = text.find('#', span.end);
    std::size_t queryEnd = fragment == std::string::npos ? text.size() : fragment;
    if (!added.empty()) {
        bool hasQuery = text.find('?', span.end) < queryEnd;
        if (!hasQuery) added[0] = '?';
        text.insert(queryEnd, added);
    }
    text.replace(span.begin, span.end - span.begin,
                 (span.slashes ? "" : "//") + destination.nameNodes.front());
    *uriText = std::move(text);
    return true;
}

std::vector<std::string> honouredProperties(const ClusterConfiguration& configuration) {
    std::vector<std::string> names = {"fs.defaultFS", "fs.default.name", "hadoop.security.authentication",
                                      "dfs.http.policy", "dfs.namenode.http-address", "dfs.namenode.https-address",
                                      "dfs.nameservices"};
    NameserviceResolver resolver(configuration);
    std::optional<std::string> list = resolver.value("dfs.nameservices");
    for (const std::string& ns : listItems(list.value_or(""))) {
        names.push_back("dfs.ha.namenodes." + ns);
        names.push_back("dfs.namenode.http-address." + ns);
        names.push_back("dfs.namenode.https-address." + ns);
        std::optional<std::string> ids = resolver.value("dfs.ha.namenodes." + ns);
        for (const std::string& id : listItems(ids.value_or(""))) {
            names.push_back("dfs.namenode.http-address." + ns + "." + id);
            names.push_back("dfs.namenode.https-address." + ns + "." + id);
        }
    }
    std::vector<std::string> set;
    for (std::string& name : names) {
        if (!configuration.origin(name).empty()) set.push_back(std::move(name));
    }
    return set;
}

}  // namespace vrhadoop
