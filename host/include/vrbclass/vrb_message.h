// The host's message catalogue.
#pragma once

#include "vrbclass/VrbString.h"

// Formats catalogue message `number` with its arguments. Text arguments are
// `const char*` (UTF-8), integer arguments and system error numbers `int`, in
// the order the catalogue entry names them. sourceLabel and line say where the
// message was raised; they are not part of the text. component names the
// product component ("Base Services").
// An unknown number gives a text that names the number and the component.
// When memory is short the result is the entry's template, unformatted.
VrbString vrb_get_message(const char* sourceLabel, int line, const char* component, int number, ...);

// The printf-style template of a message number, or null when unknown.
// Directives: %s (const char*), %d (int), %e (int system error number, shown
// as the system's description and the number) and %%.
const char* vrb_message_template(int number);
