// The host's message catalogue.
#pragma once

#include "vrbclass/VrbString.h"

// Formats catalogue message `number` with its arguments. Text arguments are
// `const char*` (UTF-8), integer arguments `int`, in the order the catalogue
// entry names them. sourceLabel and line say where the message was raised;
// component names the product component ("Base Services").
// An unknown number gives a text that names the number and the component.
VrbString vrb_get_message(const char* sourceLabel, int line, const char* component, int number, ...);

// The printf-style template of a message number, or null when unknown.
// The arguments of every template are only %s (const char*) and %d (int).
const char* vrb_message_template(int number);
