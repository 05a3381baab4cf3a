// Failures of the library: what kind they are, and their words. Server
// errors are classified by the exception that WebHDFS names in its
// RemoteException answer, since every IOException comes back as the same
// HTTP status.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "HttpOutcome.h"
#include "vrbclass/VrbString.h"

namespace vrhadoop {

enum class FailureKind {
    NotFound,
    AccessDenied,
    AlreadyExists,
    Other,
};

struct Failure {
    FailureKind kind = FailureKind::Other;
    std::string phrase;   // what happened, e.g. "File does not exist"
    std::string detail;   // the server's own words, e.g. "FileNotFoundException: File /a does not exist."

    std::string text() const { return detail.empty() ? phrase : phrase + " (" + detail + ")"; }
};

// The failure an exchange that did not succeed stands for.
Failure describeFailure(const HttpOutcome& outcome);

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
