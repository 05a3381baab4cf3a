#include "WebHdfsRoot.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "WebHdfsConnection.h"
#include "WebHdfsFileSystem.h"
#include "keytab_login.h"
#include "process_configuration.h"
#include "vrbclass/VrHadoopURI.h"

namespace vrhadoop {
namespace {

struct ReleaseUri {
    void operator()(VrURI* uri) const { uri->release(); }
};

std::string copyOf(const VrbString& text) { return std::string(text.asCstr(), text.length()); }

std::string parameter(const VrHadoopURI& uri, const char* name) {
    VrbString value("", true);
    return uri.queryValue(name, &value) ? copyOf(value) : std::string();
}

// Spelt in any case, as validate() accepts it.
bool wantsKerberos(const VrHadoopURI& uri) {
    VrbString value;
    return uri.queryValue("auth", &value) && value.compare("kerberos", false) == 0;
}

// "http(s)://HOST:PORT" of each item of a "namenodes" value that the URI's
// validate() accepted; PORT 9870 when the item names none.
std::vector<std::string> nameNodeList(const std::string& list, bool ssl) {
    std::vector<std::string> bases;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string item = list.substr(start, comma - start);
        std::size_t close = item.rfind(']');
        bool hasPort = item.find(':', close == std::string::npos ? 0 : close) != std::string::npos;
        bases.push_back((ssl ? "https://" : "http://") + item + (hasPort ? "" : ":9870"));
        start = comma + 1;
    }
    return bases;
}

}  // namespace

HadoopConnection* WebHdfsRoot::connect(VrURI* uri, VrbString* error) {
    return guarded<HadoopConnection*>(error, nullptr, [&]() -> HadoopConnection* {
        // The URI's text is not quoted: it may carry a delegation token.
        std::string text = uri ? copyOf(uri->text()) : std::string();
        std::string configurationError;
        if (!resolveWithProcessConfiguration(&text, &configurationError)) {
            setError(error, configurationError);
            return nullptr;
        }
        std::unique_ptr<VrHadoopURI, ReleaseUri> hadoopUri(
            uri ? getHadoopURIFromURIString(VrbString(text.data(), text.size())) : nullptr);
        if (!hadoopUri) {
            setError(error, "Cannot connect to a Hadoop file system: the location is no hadoop URI "
                            "(hadoop://HOST:PORT/path)");
            return nullptr;
        }
        if (!hadoopUri->validate(error)) return nullptr;
        WebHdfsEndpoint endpoint;
        endpoint.nameNode = copyOf(hadoopUri->nameNodeBase());
        endpoint.user = copyOf(hadoopUri->user());
        endpoint.delegationToken = copyOf(hadoopUri->delegationToken());
        endpoint.proxy = parameter(*hadoopUri, "proxy");
        endpoint.caFile = parameter(*hadoopUri, "cafile");
        endpoint.caPath = parameter(*hadoopUri, "capath");
        endpoint.kerberos = wantsKerberos(*hadoopUri);
        VrbString nameNodes("", true);
        if (hadoopUri->queryValue("namenodes", &nameNodes)) {
            endpoint.otherNameNodes = nameNodeList(copyOf(nameNodes), hadoopUri->useSsl());
        }
        endpoint.doAs = parameter(*hadoopUri, "doas");
        endpoint.keytab = parameter(*hadoopUri, "keytab");
        endpoint.principal = parameter(*hadoopUri, "principal");
        if (!endpoint.keytab.empty() && !keytabLoginUnsupported().empty()) {
            setError(error, keytabLoginFailure(endpoint.keytab, endpoint.principal, keytabLoginUnsupported()));
            return nullptr;
        }
        endpoint.limits = limits_;
        auto* connection = new (std::nothrow) WebHdfsConnection(std::move(endpoint));
        if (!connection) setError(error, kOutOfMemoryText);
        return connection;
    });
}

const char* WebHdfsRoot::version() { return "vrhadoop 1.0 (WebHDFS)"; }

HadoopFileSystem* WebHdfsRoot::openFileSystem(HadoopConnection* connection, VrbString* error) {
    return guarded<HadoopFileSystem*>(error, nullptr, [&]() -> HadoopFileSystem* {
        if (!connection) {
            setError(error, "Cannot open a Hadoop file system: no connection");
            return nullptr;
        }
        // Every connection comes from connect() above.
        const auto& settings = static_cast<WebHdfsConnection*>(connection)->settings();
        auto* fileSystem = new (std::nothrow) WebHdfsFileSystem(settings);
        if (!fileSystem || !fileSystem->ready()) {
            setError(error, fileSystem ? "Cannot open a Hadoop file system: the HTTP library could not be set up"
                                       : kOutOfMemoryText);
            if (fileSystem) fileSystem->release();
            return nullptr;
        }
        return fileSystem;
    });
}

void WebHdfsRoot::reserved4() {}
void WebHdfsRoot::reserved5() {}
void WebHdfsRoot::release() { delete this; }

}  // namespace vrhadoop

VRHadoop* vrHadoopCreate(VrbString* error) {
    auto* root = new (std::nothrow) vrhadoop::WebHdfsRoot();
    if (!root) vrhadoop::setError(error, vrhadoop::kOutOfMemoryText);
    return root;
}
