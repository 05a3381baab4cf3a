// Standard input or output as a location the I/O module can open: its
// interface takes locations only. Each platform half (Unix/, Windows/)
// decides how the stream is reached.
#pragma once

#include <string>

namespace vrbio {

// The location operand that stands for standard input (cat, convert's SRC)
// or standard output (convert's DST). A file of that name is "./-".
bool isStandardStream(const char* location);

class StandardStream {
public:
    enum class Direction { kInput, kOutput };

    explicit StandardStream(Direction direction) : direction_(direction) {}
    // Ends a relay that finish() did not wait for.
    ~StandardStream();
    StandardStream(const StandardStream&) = delete;
    StandardStream& operator=(const StandardStream&) = delete;

    // The location to hand to the module and, for output, the open mode to
    // use (append when what the shell put before must stay). False with the
    // reason in *error.
    bool open(std::string* location, int* openMode, std::string* error);
    // After the module's file is closed: everything has passed. False with
    // the reason in *error.
    bool finish(std::string* error);

private:
    struct Relay;   // the platform half's state; null when none is needed

    Direction direction_;
    Relay* relay_ = nullptr;
};

}  // namespace vrbio
