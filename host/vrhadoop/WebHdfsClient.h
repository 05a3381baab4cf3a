// WebHDFS calls over one kept-alive HTTP client: URLs, JSON answers,
// statuses, redirects and ranges of a file. Each object of the library that
// talks to the server holds its own client.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "HttpClient.h"
#include "failure.h"
#include "file_status_json.h"

namespace vrhadoop {

// Where and as whom requests go.
struct WebHdfsEndpoint {
    std::string nameNode;          // "http://HOST:PORT", tried first
    std::string user;              // user.name; empty: the server's default user
    std::string delegationToken;   // sent instead of user.name when given
    std::string proxy;             // URL of the proxy every request goes through; empty: none
    std::string caFile;            // CAs that verify https servers (PEM file); empty: the system's
    std::string caPath;            // CAs that verify https servers (hashed directory); empty: the system's
    bool kerberos = false;         // NameNode requests authenticate with Kerberos (SPNEGO)
    std::vector<std::string> otherNameNodes;   // further NameNodes of the cluster, tried in turn
    std::string doAs;              // doas: the user to act as through a proxy-user grant; empty: none
    TransferLimits limits;         // how long requests and retries may take

    std::string keytab{};          // keytab that Kerberos logins take their tickets from; empty: the default cache
    std::string principal{};       // whom the keytab logs in

    TransportSettings transport() const { return {proxy, caFile, caPath, limits, keytab, principal}; }
    // The user whose rights apply: doAs when given, else user.
    const std::string& effectiveUser() const { return doAs.empty() ? user : doAs; }
};

// False with *failure when a redirect leaves https for anything else: the
// target URL carries the user's credentials (a delegation token).
bool redirectKeepsSecurity(const std::string& from, const std::string& to, Failure* failure);

class WebHdfsClient {
public:
    explicit WebHdfsClient(WebHdfsEndpoint endpoint);

    const WebHdfsEndpoint& endpoint() const { return endpoint_; }
    // The endpoint for objects this one opens: the NameNode that answered
    // last comes first, the others follow in turn.
    WebHdfsEndpoint endpointForNewObjects() const;
    bool ready() const { return http_.ready(); }

    // The URL of operation `op` on `path` (normalised) at the NameNode tried
    // first, with `extraQuery` ("&name=value...", values already encoded)
    // appended.
    std::string url(std::string_view op, const std::string& path, const std::string& extraQuery = {}) const;

    // Every call below is a NameNode step: a NameNode on standby, an
    // observer refusing it, one that cannot be reached or that took the
    // request and did not answer within the stall bound hands the request
    // on to the next one in turn (the one that answers is asked first next
    // time), on the failover schedule of the endpoint's limits. A step is
    // tried up to kMaxTries times while the failure may pass
    // (Remedy::Retry; Remedy::OtherNameNode with a single NameNode),
    // pausing retryDelayMs, then twice that, and no try starts later than
    // retryBudgetMs after the first (the endpoint's limits).
    static constexpr int kMaxTries = 3;

    // A request answered with a JSON object; false with *failure otherwise.
    bool callJson(HttpMethod method, std::string_view op, const std::string& path, const std::string& extraQuery,
                  nlohmann::json* answer, Failure* failure);
    // A request whose successful answer carries nothing we need.
    bool call(HttpMethod method, std::string_view op, const std::string& path, const std::string& extraQuery,
              Failure* failure);
    // GETFILESTATUS. A missing path fails with FailureKind::NotFound.
    bool status(const std::string& path, WebHdfsEntry* entry, Failure* failure);
    // Where the NameNode redirects a two-step operation (CREATE, APPEND).
    bool redirectTarget(HttpMethod method, std::string_view op, const std::string& path,
                        const std::string& extraQuery, std::string* location, Failure* failure);

    // After a DataNode step refused as the NameNode that redirected it is
    // no longer the active one (a failover between the two steps, or a
    // standby or observer that redirected a write to itself): true after
    // the pause of the failover schedule, with the next NameNode asked
    // first; false with a single NameNode or once the schedule is spent.
    bool failOver(Failure* failure);
    // With several NameNodes: the active one (whose web server answers
    // /isActive with 200, the others with 405) is asked first from now on.
    // False when none says it is (servers older than Hadoop 3.3, none in
    // reach); the order then stays.
    bool preferActive();

    // The failure an exchange stands for, without the delegation tokens
    // (server messages may quote them), nor the advice to name further
    // NameNodes when several are named.
    Failure failureOf(const HttpOutcome& outcome) const;
    std::string scrubbed(std::string text) const;

private:
    std::string urlAt(std::size_t nameNode, std::string_view op, const std::string& path,
                      const std::string& extraQuery) const;
    // One NameNode step; true when the answer is a success or a redirect.
    // Otherwise *failure says why, with the number of tries when there was
    // more than one.
    bool exchange(HttpMethod method, std::string_view op, const std::string& path, const std::string& extraQuery,
                  HttpOutcome* outcome, Failure* failure);

    WebHdfsEndpoint endpoint_;
    std::vector<std::string> nameNodes_;   // endpoint_.nameNode, then endpoint_.otherNameNodes
    std::size_t current_ = 0;              // the NameNode asked first
    int stepFailovers_ = 0;                // failOver() moves so far
    HttpClient http_;
    // The token that the NameNode put in its last redirect (a Kerberos
    // cluster hands one out for the DataNode step); kept only to keep it
    // out of messages.
    std::string issuedToken_;
};

}  // namespace vrhadoop
