#include "kerberos_credentials.h"

#ifdef VRB_HAVE_GSSAPI
#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>
#endif

namespace vrhadoop {

#ifdef VRB_HAVE_GSSAPI
namespace {

// The GSS-API library that libcurl brought into the process, never loaded
// by this library: without it curl cannot negotiate anyway, and linking it
// in as well crashed the leak checker at the exit of processes that load
// the module (vrbio under AddressSanitizer).
class GssApi {
public:
    static const GssApi& get() {
        static const GssApi api;
        return api;
    }
    bool ready() const {
        return acquireCred && releaseCred && inquireCred && displayName && releaseName && displayStatus &&
               releaseBuffer && krb5Mechanism && krb5Mechanisms;
    }

    decltype(&gss_acquire_cred) acquireCred = nullptr;
    decltype(&gss_release_cred) releaseCred = nullptr;
    decltype(&gss_inquire_cred) inquireCred = nullptr;
    decltype(&gss_display_name) displayName = nullptr;
    decltype(&gss_release_name) releaseName = nullptr;
    decltype(&gss_display_status) displayStatus = nullptr;
    decltype(&gss_release_buffer) releaseBuffer = nullptr;
    gss_OID krb5Mechanism = nullptr;
    gss_OID_set krb5Mechanisms = nullptr;

private:
    GssApi() {
        // Kept open for the life of the process, like curl's own reference.
        void* library = dlopen("libgssapi_krb5.so.2", RTLD_NOW | RTLD_NOLOAD);
        if (!library) return;
        resolve(library, "gss_acquire_cred", &acquireCred);
        resolve(library, "gss_release_cred", &releaseCred);
        resolve(library, "gss_inquire_cred", &inquireCred);
        resolve(library, "gss_display_name", &displayName);
        resolve(library, "gss_release_name", &releaseName);
        resolve(library, "gss_display_status", &displayStatus);
        resolve(library, "gss_release_buffer", &releaseBuffer);
        if (auto* mechanism = static_cast<const gss_OID*>(dlsym(library, "gss_mech_krb5"))) {
            krb5Mechanism = *mechanism;
        }
        if (auto* mechanisms = static_cast<const gss_OID_set*>(dlsym(library, "gss_mech_set_krb5"))) {
            krb5Mechanisms = *mechanisms;
        }
    }

    template <typename Function>
    static void resolve(void* library, const char* name, Function* function) {
        *function = reinterpret_cast<Function>(dlsym(library, name));
    }
};

std::string statusText(const GssApi& gss, OM_uint32 status, int type, gss_OID mechanism) {
    std::string text;
    OM_uint32 context = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc part = GSS_C_EMPTY_BUFFER;
        if (GSS_ERROR(gss.displayStatus(&minor, status, type, mechanism, &context, &part))) break;
        if (!text.empty()) text += "; ";
        text.append(static_cast<const char*>(part.value), part.length);
        gss.releaseBuffer(&minor, &part);
    } while (context != 0);
    return text;
}

}  // namespace

std::string kerberosCredentialProblem() {
    const GssApi& gss = GssApi::get();
    if (!gss.ready()) return {};
    OM_uint32 minor = 0;
    gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
    OM_uint32 lifetime = 0;
    // Asking for the Kerberos mechanism alone makes the minor status a
    // Kerberos one, whose text names the cache.
    OM_uint32 major = gss.acquireCred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, gss.krb5Mechanisms, GSS_C_INITIATE,
                                      &credentials, nullptr, &lifetime);
    if (!GSS_ERROR(major)) {
        OM_uint32 ignored = 0;
        gss.releaseCred(&ignored, &credentials);
        return lifetime == 0 ? "the Kerberos ticket has expired" : "";
    }
    std::string detail = statusText(gss, minor, GSS_C_MECH_CODE, gss.krb5Mechanism);
    return detail.empty() ? statusText(gss, major, GSS_C_GSS_CODE, GSS_C_NO_OID) : detail;
}

std::string kerberosUserName() {
    const GssApi& gss = GssApi::get();
    if (!gss.ready()) return {};
    OM_uint32 minor = 0;
    gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
    if (GSS_ERROR(gss.acquireCred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, gss.krb5Mechanisms, GSS_C_INITIATE,
                                  &credentials, nullptr, nullptr))) {
        return {};
    }
    gss_name_t name = GSS_C_NO_NAME;
    std::string principal;
    if (!GSS_ERROR(gss.inquireCred(&minor, credentials, &name, nullptr, nullptr, nullptr))) {
        gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
        if (!GSS_ERROR(gss.displayName(&minor, name, &text, nullptr))) {
            principal.assign(static_cast<const char*>(text.value), text.length);
            gss.releaseBuffer(&minor, &text);
        }
        gss.releaseName(&minor, &name);
    }
    gss.releaseCred(&minor, &credentials);
    return principal.substr(0, principal.find_first_of("/@"));
}
#else
std::string kerberosCredentialProblem() { return {}; }
std::string kerberosUserName() { return {}; }
#endif

}  // namespace vrhadoop
