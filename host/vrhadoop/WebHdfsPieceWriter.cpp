#include "WebHdfsPieceWriter.h"

#include <algorithm>

#include "HttpUpload.h"

namespace vrhadoop {

bool WebHdfsPieceWriter::begin(const WriteTarget& target, std::int64_t startLength, Failure* failure) {
    return upload(target, nullptr, 0, startLength, failure);
}

bool WebHdfsPieceWriter::upload(const WriteTarget& target, const char* data, std::size_t size,
                                std::int64_t lengthAfter, Failure* failure) {
    lease_.restart();
    for (;;) {
        std::string location;
        if (!client_.redirectTarget(target.method, target.op, path_, target.query, &location, failure)) {
            if (!lease_.pauseAfter(failure)) return false;
            continue;
        }
        HttpUpload upload;
        HttpOutcome outcome;
        bool answered = false;
        if (upload.start(target.method, location, client_.endpoint().transport(), static_cast<std::int64_t>(size),
                         &outcome) &&
            upload.send(data, size, &outcome)) {
            answered = upload.finish(&outcome);
        }
        if (answered && outcome.succeeded()) return true;
        *failure = dataNodeFailure(outcome);
        if (!answered && upload.bodySent()) {
            // Everything went out and the answer did not come: sending the
            // piece again could write it twice. The file decides.
            return checkWritten(lengthAfter).verdict == WrittenCheck::Holds;
        }
        // A DataNode whose NameNode is busy refuses the piece before it
        // takes a byte of it: waited out as another client's lease is.
        if (outcome.answered() && failure->remedy == Remedy::Retry && !failure->detail.empty()) {
            failure->remedy = Remedy::AwaitLease;
        }
        if (!mayResend(failure)) {
            // A piece cut short may have left part of itself in the file.
            std::string partial = outcome.answered() || upload.bodySent() ? std::string() : partialNote();
            if (!partial.empty()) failure->note += (failure->note.empty() ? "" : "; ") + partial;
            return false;
        }
    }
}

bool WebHdfsPieceWriter::sendPiece(Failure* failure) {
    const WriteTarget append{HttpMethod::Post, "APPEND", {}};
    if (!upload(append, piece_.data(), piece_.size(), length_, failure)) return false;
    piece_.clear();
    return true;
}

bool WebHdfsPieceWriter::take(const char* data, std::size_t size, Failure* failure) {
    while (size > 0) {
        std::size_t part = std::min(size, kPieceBytes - piece_.size());
        piece_.append(data, part);
        length_ += static_cast<std::int64_t>(part);
        data += part;
        size -= part;
        if (piece_.size() == kPieceBytes && !sendPiece(failure)) return false;
    }
    return true;
}

std::string WebHdfsPieceWriter::complete() {
    std::string failure = writeFailure();
    Failure sending;
    if (failure.empty() && !piece_.empty() && !sendPiece(&sending)) {
        failure = "Cannot complete writing file " + path_ + ": " + sending.text();
    } else if (failure.empty()) {
        // Every piece was confirmed: only a file that lacks bytes overrules.
        WrittenCheck check = checkWritten(length_);
        if (check.verdict == WrittenCheck::Lacks) {
            failure = "Cannot complete writing file " + path_ + ": " + check.words;
        }
    }
    std::string().swap(piece_);
    return failure;
}

}  // namespace vrhadoop
