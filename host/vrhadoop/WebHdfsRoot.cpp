#include "WebHdfsRoot.h"

#include <memory>
#include <new>

#include "WebHdfsConnection.h"
#include "WebHdfsFileSystem.h"
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

}  // namespace

HadoopConnection* WebHdfsRoot::connect(VrURI* uri, VrbString* error) {
    return guarded<HadoopConnection*>(error, nullptr, [&]() -> HadoopConnection* {
        // The URI's text is not quoted: it may carry a delegation token.
        std::unique_ptr<VrHadoopURI, ReleaseUri> hadoopUri(uri ? getHadoopURIFromURIString(uri->text()) : nullptr);
        if (!hadoopUri) {
            setError(error, "Cannot connect to a Hadoop file system: the location is no hadoop URI "
                            "(hadoop://HOST:PORT/path)");
            return nullptr;
        }
        if (!hadoopUri->validate(error)) return nullptr;
        WebHdfsEndpoint endpoint{copyOf(hadoopUri->nameNodeBase()), copyOf(hadoopUri->user()),
                                 copyOf(hadoopUri->delegationToken()), parameter(*hadoopUri, "proxy"),
                                 parameter(*hadoopUri, "cafile"), parameter(*hadoopUri, "capath"),
                                 wantsKerberos(*hadoopUri)};
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
