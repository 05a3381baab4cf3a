// What vrbio needs of the operating system, kept apart from the commands:
// Platform.cpp implements it with its half from Unix/ or Windows/.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vrbio {

// The program's arguments after its name, in UTF-8 (Windows hands them
// over in UTF-16; the ANSI code page cannot hold every file name). False
// when they cannot be had.
bool commandArguments(int argc, char** argv, std::vector<std::string>* arguments);
// Standard output and standard error carry bytes unchanged, so that vrbio
// writes the same bytes everywhere.
void prepareStandardStreams();

// Writes every byte to the descriptor, retrying after interruptions and
// partial writes. False with the system's reason in *error.
bool writeAll(int descriptor, const char* data, std::size_t length, std::string* error);
// Standard output carries bytes unchanged (no newline translation).
void setBinaryOutput(int descriptor);
bool isTerminal(int descriptor);

// True when `path` is a symbolic link (or another kind of link to a
// directory the system follows); false for anything else, URIs included.
bool isSymbolicLink(const std::string& path);

// True when both paths exist and name the same file (links included).
bool sameExistingFile(const std::string& first, const std::string& second);

}  // namespace vrbio
