// What stands in the way of Kerberos authentication on this side: the
// user's default credentials as the Kerberos library finds them.
#pragma once

#include <string>

namespace vrhadoop {

// Why the default credentials (the cache that kinit fills, or the one
// KRB5CCNAME names) cannot start a Kerberos context, in the Kerberos
// library's words, which name the cache; empty when they can, or when the
// library is built without GSS-API. Never shows a ticket.
std::string kerberosCredentialProblem();

// The user that the default credentials authenticate: the first component
// of their principal ("alice" for alice@REALM), which is what a cluster with
// the default name mapping takes the user for. Empty when there are none.
std::string kerberosUserName();

}  // namespace vrhadoop
