// hadoop:// URIs that leave the NameNodes to the cluster's configuration:
// a host without a port that is a logical nameservice of dfs.nameservices,
// or no host at all, which means fs.defaultFS.
#pragma once

#include <string>
#include <vector>

#include "ClusterConfiguration.h"

namespace vrhadoop {

// Whether the URI's text names its NameNode without a port (or names none),
// so that the configuration may decide where it goes.
bool mayNameNameservice(const std::string& uriText);

// Rewrites *uriText to name the NameNodes that `configuration` gives it,
// the first as host, the others in namenodes= in configured order, and adds
// ssl=true (dfs.http.policy=HTTPS_ONLY) and auth=kerberos
// (hadoop.security.authentication=kerberos) unless the URI sets them. A
// URI with an explicit HOST:PORT, or whose host is no nameservice, stays as
// it is. False with *error when the configuration lacks what the URI needs.
bool resolveNameservice(const ClusterConfiguration& configuration, std::string* uriText, std::string* error);

// The properties that resolveNameservice() reads and `configuration` sets,
// in the order it reads them, for showing what a configuration means.
std::vector<std::string> honouredProperties(const ClusterConfiguration& configuration);

}  // namespace vrhadoop
