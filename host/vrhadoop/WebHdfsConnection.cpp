#include "WebHdfsConnection.h"

namespace vrhadoop {

VrbString WebHdfsConnection::endpoint() {
    return VrbString(endpoint_.nameNode.data(), endpoint_.nameNode.size());
}

VrbString WebHdfsConnection::user() { return VrbString(endpoint_.user.data(), endpoint_.user.size()); }

void WebHdfsConnection::release() { delete this; }

}  // namespace vrhadoop
