#include "failure.h"

#include <nlohmann/json.hpp>

namespace vrhadoop {
namespace {

struct ExceptionMeaning {
    const char* exception;
    FailureKind kind;
    const char* phrase;
};

constexpr ExceptionMeaning kMeanings[] = {
    {"FileNotFoundException", FailureKind::NotFound, "File does not exist"},
    {"AccessControlException", FailureKind::AccessDenied, "Permission denied"},
    {"AuthorizationException", FailureKind::AccessDenied, "Permission denied"},
    {"SecurityException", FailureKind::AccessDenied, "Permission denied"},
    {"InvalidToken", FailureKind::AccessDenied, "The delegation token is not valid (expired or cancelled)"},
    {"FileAlreadyExistsException", FailureKind::AlreadyExists, "The path exists already"},
    {"ParentNotDirectoryException", FailureKind::Other, "A parent of the path is a file, not a directory"},
    {"PathIsNotEmptyDirectoryException", FailureKind::Other, "The directory is not empty"},
    {"SafeModeException", FailureKind::Other, "The NameNode is in safe mode and refuses changes"},
    {"RetriableException", FailureKind::Other, "The NameNode is busy; try again later"},
    {"StandbyException", FailureKind::Other, "The NameNode is on standby"},
    {"ObserverRetryOnActiveException", FailureKind::Other,
     "The NameNode is an observer, which leaves this request to the active one"},
    {"AlreadyBeingCreatedException", FailureKind::Other, "Another client is writing the file"},
    {"RecoveryInProgressException", FailureKind::Other, "The file's last write is still being recovered"},
    {"LeaseExpiredException", FailureKind::Other, "The lease on the file was lost"},
    {"NSQuotaExceededException", FailureKind::Other, "The directory's name quota is exceeded"},
    {"DSQuotaExceededException", FailureKind::Other, "The directory's space quota is exceeded"},
    {"QuotaExceededException", FailureKind::Other, "A quota is exceeded"},
    {"InvalidPathException", FailureKind::Other, "The path is not valid"},
    {"IllegalArgumentException", FailureKind::Other, "The server refused an argument"},
    {"UnsupportedOperationException", FailureKind::Other, "The server does not support the operation"},
};

const ExceptionMeaning* meaningOf(std::string_view exception) {
    // javaClassName-style names carry their package; compare the simple name.
    std::size_t dot = exception.rfind('.');
    if (dot != std::string_view::npos) exception.remove_prefix(dot + 1);
    std::size_t dollar = exception.rfind('$');
    if (dollar != std::string_view::npos) exception.remove_prefix(dollar + 1);
    for (const ExceptionMeaning& meaning : kMeanings) {
        if (exception == meaning.exception) return &meaning;
    }
    return nullptr;
}

std::string stringField(const nlohmann::json& object, const char* name) {
    auto found = object.find(name);
    return (found != object.end() && found->is_string()) ? found->get<std::string>() : std::string();
}

// The first line of a body that is no RemoteException, printable and short.
std::string bodyExcerpt(const std::string& body) {
    std::string excerpt;
    for (char c : body) {
        if (c == '\n' || c == '\r') {
            if (!excerpt.empty()) break;
            continue;
        }
        excerpt += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
        if (excerpt.size() >= 200) {
            excerpt += "...";
            break;
        }
    }
    return excerpt;
}

std::string_view simpleName(std::string_view exception) {
    std::size_t dot = exception.rfind('.');
    if (dot != std::string_view::npos) exception.remove_prefix(dot + 1);
    std::size_t dollar = exception.rfind('$');
    if (dollar != std::string_view::npos) exception.remove_prefix(dollar + 1);
    return exception;
}

// Whether the server's exception leaves hope: a standby NameNode, a busy
// one, one leaving safe mode by itself (not one put there by hand or short
// of resources, which stays), a lease another client holds.
Remedy remedyOf(std::string_view exception, const std::string& message) {
    std::string_view name = simpleName(exception);
    // An observer refuses writes (and reads that would change an access
    // time) with a subclass of StandbyException.
    if (name == "StandbyException" || name == "ObserverRetryOnActiveException") return Remedy::OtherNameNode;
    if (name == "RetriableException") return Remedy::Retry;
    if (name == "SafeModeException") {
        bool stays = message.find("turned on manually") != std::string::npos ||
                     message.find("Resources are low") != std::string::npos;
        return stays ? Remedy::None : Remedy::Retry;
    }
    if (name == "AlreadyBeingCreatedException" || name == "RecoveryInProgressException") return Remedy::AwaitLease;
    return Remedy::None;
}

bool remoteFailure(const HttpOutcome& outcome, Failure* failure) {
    nlohmann::json answer = nlohmann::json::parse(outcome.body, nullptr, false);
    if (!answer.is_object()) return false;
    auto remote = answer.find("RemoteException");
    if (remote == answer.end() || !remote->is_object()) return false;
    std::string exception = stringField(*remote, "exception");
    if (exception.empty()) exception = stringField(*remote, "javaClassName");
    // Servers may append a Java stack trace after the first line.
    std::string message = stringField(*remote, "message");
    failure->remedy = remedyOf(exception, message);
    message = message.substr(0, message.find_first_of("\r\n"));
    const ExceptionMeaning* meaning = meaningOf(exception);
    failure->kind = meaning ? meaning->kind : FailureKind::Other;
    failure->phrase = meaning ? meaning->phrase : "The server reported an error";
    if (failure->remedy == Remedy::OtherNameNode) failure->phrase += kNameTheActiveHint;
    failure->detail = exception.empty() ? std::string("RemoteException") : exception;
    if (!message.empty()) failure->detail += ": " + message;
    return true;
}

}  // namespace

Failure describeFailure(const HttpOutcome& outcome) {
    Failure failure;
    if (!outcome.answered()) {
        failure.phrase = outcome.transportError;
        failure.remedy = outcome.unreachable ? Remedy::OtherNameNode : outcome.broken ? Remedy::Retry : Remedy::None;
        return failure;
    }
    if (outcome.status == 401) {
        // The challenge names the scheme; a Kerberos cluster says Negotiate.
        bool kerberos = outcome.authenticate.find("Negotiate") != std::string::npos;
        remoteFailure(outcome, &failure);   // the server's own words, when it sent any
        failure.kind = FailureKind::AccessDenied;
        if (kerberos && outcome.offeredKerberos) {
            // The Kerberos library's reason names the credential cache it
            // looked in; a ticket never appears in it.
            failure.phrase = outcome.authenticationError.empty()
                                 ? "Kerberos authentication with " + outcome.server +
                                       " failed: the server did not accept the ticket"
                                 : "Kerberos authentication with " + outcome.server +
                                       " failed: no usable Kerberos ticket (run kinit): " + outcome.authenticationError;
        } else if (kerberos) {
            failure.phrase = "The cluster requires Kerberos (SPNEGO) authentication: add auth=kerberos to the URI "
                             "(with a ticket from kinit), or pass a delegation token (delegation=TOKEN)";
        } else {
            failure.phrase = "The server requires authentication (HTTP status 401 from " + outcome.server + ")";
        }
        return failure;
    }
    if (remoteFailure(outcome, &failure)) {
        if (outcome.status == 503 && failure.remedy == Remedy::None) failure.remedy = Remedy::Retry;
        return failure;
    }
    failure.remedy = outcome.status == 503 ? Remedy::Retry : Remedy::None;
    failure.phrase = "HTTP status " + std::to_string(outcome.status) + " from " + outcome.server;
    failure.detail = bodyExcerpt(outcome.body);
    return failure;
}

void setError(VrbString* error, std::string_view text) noexcept {
    if (error) error->assign(text.data(), text.size());
}

}  // namespace vrhadoop
