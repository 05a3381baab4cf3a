#include "WebHdfsStreamWriter.h"

namespace vrhadoop {

bool WebHdfsStreamWriter::begin(const WriteTarget& target, std::int64_t, Failure* failure) {
    target_ = target;
    while (!beginUpload(failure)) {
        if (!mayResend(failure)) return false;
    }
    return true;
}

bool WebHdfsStreamWriter::beginUpload(Failure* failure) {
    std::string location;
    if (!client_.redirectTarget(target_.method, target_.op, path_, target_.query, &location, failure)) return false;
    upload_ = std::make_unique<HttpUpload>();
    HttpOutcome outcome;
    if (upload_->start(target_.method, location, client_.endpoint().transport(), HttpUpload::kUnknownLength,
                       &outcome)) {
        return true;
    }
    *failure = dataNodeFailure(outcome);
    return false;
}

bool WebHdfsStreamWriter::takeStartLength(std::size_t pending, Failure* failure) {
    WebHdfsEntry entry;
    if (!client_.status(path_, &entry, failure)) return false;
    startLength_ = entry.length;
    length_ = startLength_ + static_cast<std::int64_t>(replay_.size() - pending);
    return true;
}

bool WebHdfsStreamWriter::resendAfterRefusal(std::size_t pending, Failure* failure) {
    while (replayable_ && mayResend(failure)) {
        if (!beginUpload(failure)) continue;
        // An append goes after whatever the other client left; nothing of
        // this upload is written before its bytes are sent below.
        if (target_.op == "APPEND" && !takeStartLength(pending, failure)) return false;
        HttpOutcome outcome;
        if (upload_->send(replay_.data(), replay_.size(), &outcome)) return true;
        *failure = dataNodeFailure(outcome);
    }
    return false;
}

bool WebHdfsStreamWriter::take(const char* data, std::size_t size, Failure* failure) {
    if (replayable_ && replay_.size() + size <= kReplayBytes) {
        replay_.append(data, size);
    } else if (replayable_) {
        replayable_ = false;
        std::string().swap(replay_);
    }
    HttpOutcome outcome;
    if (!upload_->send(data, size, &outcome)) {
        *failure = dataNodeFailure(outcome);
        if (!resendAfterRefusal(size, failure)) {
            std::string partial = outcome.answered() ? std::string() : partialNote();
            if (!partial.empty()) failure->note += (failure->note.empty() ? "" : "; ") + partial;
            return false;
        }
    }
    length_ += static_cast<std::int64_t>(size);
    return true;
}

std::string WebHdfsStreamWriter::complete() {
    HttpOutcome outcome;
    bool answered = upload_->finish(&outcome);
    // A refusal of the open itself, for another client's lease or by a
    // NameNode no longer active, comes before anything was written: sent
    // again while every byte is at hand.
    Failure refusal;
    while (answered && !outcome.succeeded() && replayable_ &&
           ((refusal = dataNodeFailure(outcome)).remedy == Remedy::AwaitLease ||
            refusal.remedy == Remedy::OtherNameNode)) {
        if (!resendAfterRefusal(0, &refusal)) {
            std::string().swap(replay_);
            return "Cannot complete writing file " + path_ + ": " + refusal.text();
        }
        answered = upload_->finish(&outcome);
    }
    std::string().swap(replay_);
    return verdict(answered, outcome);
}

std::string WebHdfsStreamWriter::verdict(bool answered, const HttpOutcome& outcome) {
    std::string prefix = "Cannot complete writing file " + path_ + ": ";
    if (answered && outcome.succeeded()) {
        // A proxy or gateway may confirm an upload it has not passed on
        // whole; only a file that lacks bytes overrules the confirmation.
        WrittenCheck check = checkWritten(length_);
        return check.verdict != WrittenCheck::Lacks ? std::string()
                                                    : prefix + "the server confirmed the upload, but " + check.words;
    }
    if (!answered && upload_->bodySent()) {
        // Everything went out and the answer did not come: the upload may
        // well be complete, and a caller who retried an append would write
        // the data twice. The file decides.
        WrittenCheck check = checkWritten(length_);
        return check.verdict == WrittenCheck::Holds ? std::string()
                                                    : prefix + client_.failureOf(outcome).text() + "; checked: " +
                                                          check.words;
    }
    std::string partial = answered ? std::string() : partialNote();
    return prefix + client_.failureOf(outcome).text() + (partial.empty() ? "" : "; " + partial);
}

}  // namespace vrhadoop
