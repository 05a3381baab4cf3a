// Failures of the library: what kind they are, and their words. Server
// errors are classified by the exception that WebHDFS names in its
// RemoteException answer, since every IOException comes back as the same
// HTTP status.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "HttpOutcome.h"
#include "vrbclass/VrbString.h"

namespace vrhadoop {

enum class FailureKind {
    NotFound,
    AccessDenied,
    AlreadyExists,
    Other,
};

// What may still help after a NameNode step failed (WebHdfsClient).
enum class Remedy {
    None,           // nothing: the answer stands
    OtherNameNode,  // another NameNode: this one is on standby or could not be reached
    Retry,          // the same request again after a pause: busy, leaving safe mode, HTTP 503, a broken exchange
    AwaitLease,     // for an open for writing: another client's lease on the file may yet end
};

struct Failure {
    Failure() = default;
    Failure(FailureKind kind_, std::string phrase_, std::string detail_)
        : kind(kind_), phrase(std::move(phrase_)), detail(std::move(detail_)) {}

    FailureKind kind = FailureKind::Other;
    std::string phrase;   // what happened, e.g. "File does not exist"
    std::string detail;   // the server's own words, e.g. "FileNotFoundException: File /a does not exist."
    Remedy remedy = Remedy::None;
    std::string note;     // how often it was tried, e.g. "3 tries in 3.1 s"

    std::string text() const {
        std::string words = detail.empty() ? phrase : phrase + " (" + detail + ")";
        return note.empty() ? words : words + "; " + note;
    }
};

// The failure an exchange that did not succeed stands for.
Failure describeFailure(const HttpOutcome& outcome);

// Ends the phrase of a NameNode that is not the active one: the advice
// for a URI that names one NameNode only.
inline constexpr std::string_view kNameTheActiveHint = "; name the active one too (namenodes=HOST:PORT)";

inline constexpr const char* kOutOfMemoryText = "Hadoop access library: out of memory";

// Copies `text` into *error (when error is not null).
void setError(VrbString* error, std::string_view text) noexcept;

// Runs `body`; an exception (memory running short inside the standard
// library, a JSON access the checks missed) becomes a message and the
// `failed` result, so that none crosses an operation of the library.
template <typename Result, typename Body>
Result guarded(VrbString* error, Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        setError(error, kOutOfMemoryText);
    } catch (const std::exception& e) {
        try {
            setError(error, std::string("Hadoop access library: unexpected failure: ") + e.what());
        } catch (...) {
            setError(error, "Hadoop access library: unexpected failure");
        }
    } catch (...) {
        setError(error, "Hadoop access library: unexpected failure");
    }
    return failed;
}

}  // namespace vrhadoop
