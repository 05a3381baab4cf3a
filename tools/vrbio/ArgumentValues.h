// Values of command-line options that name library constants.
#pragma once

namespace vrbio {

// ENC: an encoding name or alias, or a numeric id (digits only). A number is
// passed on as it is, so that the library judges it; a name must be known.
// False for an unknown name or a number beyond the int range.
bool resolveEncoding(const char* text, int* id);

// The text-open flag of a newline name (lf, crlf, cr, nel); false when the
// name is none of them.
bool newlineFlag(const char* name, int* flag);

}  // namespace vrbio
