#include "keytab_login.h"

namespace vrhadoop {
namespace {

void hide(std::string* text, const std::string& secret) {
    if (secret.size() < 3) return;
    for (std::size_t at = text->find(secret); at != std::string::npos; at = text->find(secret, at + 3)) {
        text->replace(at, secret.size(), "***");
    }
}

}  // namespace

std::string keytabLoginFailure(const std::string& keytab, const std::string& principal, std::string problem) {
    hide(&problem, principal);
    hide(&problem, principal.substr(0, principal.find('@')));
    return "Cannot log in as *** from keytab " + keytab + ": " + problem;
}

}  // namespace vrhadoop

#ifdef _WIN32
#include "Windows/keytab_login.inc"
#else
#include "Unix/keytab_login.inc"
#endif
