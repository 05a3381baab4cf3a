#include "HttpClient.h"

namespace vrhadoop {

const char* methodName(HttpMethod method) noexcept {
    switch (method) {
        case HttpMethod::Get: return "GET";
        case HttpMethod::Put: return "PUT";
        case HttpMethod::Post: return "POST";
        case HttpMethod::Delete: return "DELETE";
    }
    return "GET";
}

}  // namespace vrhadoop

#ifdef _WIN32
#include "Windows/HttpClient.inc"
#else
#include "Unix/HttpClient.inc"
#endif
