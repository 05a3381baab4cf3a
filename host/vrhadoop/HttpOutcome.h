// What one HTTP exchange came to.
#pragma once

#include <string>

namespace vrhadoop {

struct HttpOutcome {
    std::string server;           // "http://HOST:PORT" of the request, for messages
    std::string transportError;   // set when no complete answer arrived
    bool unreachable = false;     // with it: no connection could be made (nothing was sent)
    bool broken = false;          // with it: the connection broke off in the middle of the exchange
    bool oversized = false;       // with it: the server sent more than was asked for
    bool timedOut = false;        // with it: connected and sent, but no answer came within the stall bound
    bool slow = false;            // with it: the body came slower than the rate floor
    long status = 0;              // the answer's HTTP status
    std::string location;         // where a redirect points
    std::string authenticate;     // the WWW-Authenticate header of a 401 answer
    bool offeredKerberos = false;    // the request would authenticate with Kerberos when challenged
    std::string authenticationError; // why this side had no usable Kerberos credentials
    std::string body;             // the answer's body

    bool answered() const { return transportError.empty(); }
    bool succeeded() const { return answered() && status >= 200 && status < 300; }
    bool redirected() const { return answered() && status >= 300 && status < 400 && !location.empty(); }
};

}  // namespace vrhadoop
