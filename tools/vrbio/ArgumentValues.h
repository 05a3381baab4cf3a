// Values of command-line options that name library constants.
#pragma once

namespace vrbio {

// ENC: an encoding name or alias, or a numeric id (digits only). A number is
// passed on as it is, so that the library judges it; a name must be known.
// False for an unknown name or a number beyond the int range.
bool resolveEncoding(const char* text, int* id);

// ENC for a file to read: as resolveEncoding, or "auto" (any case), which
// leaves *id at -1 and adds VRB_TXT_DETECT_ENCODING to *flags.
bool resolveReadEncoding(const char* text, int* id, int* flags);

// The text-open flag of a newline name (lf, crlf, cr, nel); false when the
// name is none of them.
bool newlineFlag(const char* name, int* flag);

}  // namespace vrbio
