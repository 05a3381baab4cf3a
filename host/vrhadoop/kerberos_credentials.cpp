#include "kerberos_credentials.h"

#ifdef VRB_HAVE_GSSAPI
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>
#endif

namespace vrhadoop {

#ifdef VRB_HAVE_GSSAPI
namespace {

std::string statusText(OM_uint32 status, int type, gss_OID mechanism) {
    std::string text;
    OM_uint32 context = 0;
    do {
        OM_uint32 minor = 0;
        gss_buffer_desc part = GSS_C_EMPTY_BUFFER;
        if (GSS_ERROR(gss_display_status(&minor, status, type, mechanism, &context, &part))) break;
        if (!text.empty()) text += "; ";
        text.append(static_cast<const char*>(part.value), part.length);
        gss_release_buffer(&minor, &part);
    } while (context != 0);
    return text;
}

}  // namespace

std::string kerberosCredentialProblem() {
    OM_uint32 minor = 0;
    gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
    OM_uint32 lifetime = 0;
    // Asking for the Kerberos mechanism alone makes the minor status a
    // Kerberos one, whose text names the cache.
    OM_uint32 major = gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, gss_mech_set_krb5, GSS_C_INITIATE,
                                       &credentials, nullptr, &lifetime);
    if (!GSS_ERROR(major)) {
        OM_uint32 ignored = 0;
        gss_release_cred(&ignored, &credentials);
        return lifetime == 0 ? "the Kerberos ticket has expired" : "";
    }
    std::string detail = statusText(minor, GSS_C_MECH_CODE, gss_mech_krb5);
    return detail.empty() ? statusText(major, GSS_C_GSS_CODE, GSS_C_NO_OID) : detail;
}

std::string kerberosUserName() {
    OM_uint32 minor = 0;
    gss_cred_id_t credentials = GSS_C_NO_CREDENTIAL;
    if (GSS_ERROR(gss_acquire_cred(&minor, GSS_C_NO_NAME, GSS_C_INDEFINITE, gss_mech_set_krb5, GSS_C_INITIATE,
                                   &credentials, nullptr, nullptr))) {
        return {};
    }
    gss_name_t name = GSS_C_NO_NAME;
    std::string principal;
    if (!GSS_ERROR(gss_inquire_cred(&minor, credentials, &name, nullptr, nullptr, nullptr))) {
        gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
        if (!GSS_ERROR(gss_display_name(&minor, name, &text, nullptr))) {
            principal.assign(static_cast<const char*>(text.value), text.length);
            gss_release_buffer(&minor, &text);
        }
        gss_release_name(&minor, &name);
    }
    gss_release_cred(&minor, &credentials);
    return principal.substr(0, principal.find_first_of("/@"));
}
#else
std::string kerberosCredentialProblem() { return {}; }
std::string kerberosUserName() { return {}; }
#endif

}  // namespace vrhadoop
