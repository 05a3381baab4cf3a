// Kerberos logins from a keytab for services that run unattended: the
// tickets live in an in-memory credential cache private to the process,
// one per keytab and principal, and never in the user's default cache.
#pragma once

#include <string>

namespace vrhadoop {

// Why this platform cannot log in from a keytab; empty where it can.
std::string keytabLoginUnsupported();

// The message of a failed login from `keytab`: the principal is not shown,
// neither where the message names it nor in the Kerberos library's words
// (`problem`), whole or as its name without the realm.
std::string keytabLoginFailure(const std::string& keytab, const std::string& principal, std::string problem);

// While an object lives, this thread's GSS-API requests (those of the HTTP
// library's SPNEGO) take the tickets of `principal` from `keytab`, fetched
// or renewed from the KDC when they are missing or near their end. With an
// empty keytab it changes nothing.
class KeytabLogin {
public:
    KeytabLogin(const std::string& keytab, const std::string& principal);
    ~KeytabLogin();
    KeytabLogin(const KeytabLogin&) = delete;
    KeytabLogin& operator=(const KeytabLogin&) = delete;

    // Why no ticket could be had: the keytab's path and the Kerberos
    // library's (or the KDC's) words; empty on success.
    const std::string& error() const { return error_; }

private:
    bool active_ = false;   // this thread's default cache was switched, and goes back at the end
    std::string error_;
};

}  // namespace vrhadoop
