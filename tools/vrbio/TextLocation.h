// A text file opened at a location operand, where "-" is the standard
// stream: the module's file and, behind it, the relay that stream may need.
#pragma once

#include <memory>
#include <string>

#include "Owned.h"
#include "StandardStream.h"
#include "vrbaseio/VrbIO.h"

namespace vrbio {

class TextLocation {
public:
    TextLocation() = default;
    TextLocation(const TextLocation&) = delete;
    TextLocation& operator=(const TextLocation&) = delete;

    // Opens `location` in `openMode` (for "-": standard input when reading,
    // else standard output). False with the reason in *error, empty when
    // the module gave none.
    bool open(VrbIO* service, const char* location, int openMode, int encoding, int flags, std::string* error);
    VrbTxtFile* file() const { return file_.get(); }
    // Closes the file and waits until the standard stream has taken or given
    // everything. Call after a complete transfer only. False with the reason
    // (empty when the module gave none).
    bool close(std::string* error);

private:
    // The file goes before the stream it may be reading or writing.
    std::unique_ptr<StandardStream> stream_;
    Owned<VrbTxtFile> file_{nullptr};
};

}  // namespace vrbio
