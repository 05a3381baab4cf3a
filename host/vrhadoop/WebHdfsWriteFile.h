// A file of a Hadoop file system open for writing, whichever way its bytes
// travel: WebHdfsStreamWriter sends them in one streaming upload,
// WebHdfsPieceWriter in pieces of known length where the HTTP stack cannot
// stream a body of unknown length. open() chooses. close() ends the upload,
// checks the file's length against the bytes sent and reports the outcome.
// Releasing the file without close() abandons what was not sent yet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "HttpClient.h"
#include "LeaseWait.h"
#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

// Where an open for writing sends its NameNode step.
struct WriteTarget {
    HttpMethod method;   // PUT for CREATE, POST for APPEND
    std::string op;      // CREATE or APPEND
    std::string query;   // "&overwrite=..." for CREATE
};

class WebHdfsWriteFile : public HadoopFile {
public:
    // append false: CREATE, replacing an existing file. append true: APPEND
    // to an existing file, or CREATE (never replacing) when there is none.
    // A directory is refused. Null with *message on failure.
    //
    // An open that another client's lease blocks (from the NameNode or from
    // the DataNode, which opens the file when the upload begins) is tried
    // again as LeaseWait says. Such a refusal means the file was never opened
    // for the upload, so none of its bytes were written. Any other failure
    // of an upload is final.
    static WebHdfsWriteFile* open(const WebHdfsEndpoint& endpoint, const std::string& path, bool append,
                                  std::string* message);
    virtual ~WebHdfsWriteFile() = default;

    bool close(VrbString* error) override;
    // The file's length as far as this writer knows: what it had when opened
    // for appending, plus every byte taken by write().
    std::int64_t size() override;
    int read(int reserved, char** data, int maxBytes, VrbString* error) override;
    void release() override;
    bool write(int reserved, const char* data, int length, VrbString* error) override;

protected:
    WebHdfsWriteFile(const WebHdfsEndpoint& endpoint, std::string path)
        : client_(endpoint), path_(std::move(path)), lease_(endpoint.limits) {}

    // The open's NameNode step and the start of the upload, waiting while
    // another client's lease blocks it; `startLength` is the file's length
    // before it. False with *failure.
    virtual bool begin(const WriteTarget& target, std::int64_t startLength, Failure* failure) = 0;
    // Sends or queues `size` bytes; length_ counts them once taken. False
    // with *failure.
    virtual bool take(const char* data, std::size_t size, Failure* failure) = 0;
    // Ends the upload at the first close(): empty on success, else the
    // message.
    virtual std::string complete() = 0;

    // The failure of a DataNode step. Only the DataNode's own refusal, not
    // a connection it never took, may point at another NameNode.
    Failure dataNodeFailure(const HttpOutcome& outcome) const;
    // After a refusal that left the file unopened, so that none of the
    // upload's bytes were written: true after a pause when the upload may
    // start again, through the next NameNode (WebHdfsClient::failOver) or
    // once another client's lease may have ended (LeaseWait).
    bool mayResend(Failure* failure);

    // Why a write failed; empty while none did.
    const std::string& writeFailure() const { return writeFailure_; }

    // What the file's status says of the bytes sent. Only Lacks may turn an
    // upload the DataNode confirmed into a failure (a caller would write the
    // data twice on retrying); only Holds turns one whose answer was lost
    // into a success.
    struct WrittenCheck {
        enum Verdict { Holds, Lacks, Unknown } verdict;
        std::string words;   // what the file holds instead, when not Holds
    };
    // After an upload broke off in mid-body: what the file holds now, in
    // words ("" when that cannot be had).
    std::string partialNote();
    // Whether the file is `expectedLength` bytes long and, for an
    // overwrite, no longer the file it replaces.
    WrittenCheck checkWritten(std::int64_t expectedLength);

    WebHdfsClient client_;
    const std::string path_;
    LeaseWait lease_;
    // The file's length when opened for appending (0 for a new file), and
    // that plus every byte taken; an append that waited for another
    // client's lease starts after what that client left.
    std::int64_t startLength_ = 0;
    std::int64_t length_ = 0;
    // The fileId of the file an overwrite replaces; 0 for none (or a server
    // that sends none), when only the length tells.
    std::int64_t replacedFileId_ = 0;

private:
    // writeFailure_: once a write failed, every later write fails the same
    // way. After the first close(), closed_ is set and closeSucceeded_ holds
    // its verdict, with the message in closeFailure_ when it failed; closing
    // again repeats it.
    std::string writeFailure_;
    bool closed_ = false;
    bool closeSucceeded_ = false;
    std::string closeFailure_;
};

}  // namespace vrhadoop
