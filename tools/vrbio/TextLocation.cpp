#include "TextLocation.h"

#include <new>

#include "vrbclass/VrbTxtFile.h"

namespace vrbio {

bool TextLocation::open(VrbIO* service, const char* location, int openMode, int encoding, int flags,
                        std::string* error) {
    std::string opened = location;
    if (isStandardStream(location)) {
        stream_.reset(new (std::nothrow) StandardStream(openMode == VrbTxtFileRead ? StandardStream::Direction::kInput
                                                                                  : StandardStream::Direction::kOutput));
        if (!stream_) {
            *error = "out of memory";
            return false;
        }
        if (!stream_->open(&opened, &openMode, error)) return false;
    }
    VrbString reason;
    file_.reset(service->openTextFile(VrbString(opened.c_str(), false), openMode, encoding, flags, &reason));
    if (!file_) *error = reason.asCstr();
    return static_cast<bool>(file_);
}

bool TextLocation::close(std::string* error) {
    if (!file_->close()) {
        *error = file_->errorText().asCstr();
        return false;
    }
    file_.reset(nullptr);
    return !stream_ || stream_->finish(error);
}

}  // namespace vrbio
