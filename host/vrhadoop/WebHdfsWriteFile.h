// A file of a Hadoop file system open for writing: one streaming upload to
// the DataNode that the NameNode's CREATE or APPEND redirects to. close()
// ends the upload, checks the file's length against the bytes sent and
// reports the outcome. Releasing the file without close() abandons the
// upload: nothing more is sent and the connection is dropped; the file may
// keep what the server had received.
//
// Where the HTTP stack cannot stream a body of unknown length
// (HttpUpload::streamsUnknownLength(), judged by the NameNode's URL, since
// a DataNode is reached as the NameNode is), the upload goes out in pieces
// instead: the open is a CREATE (or APPEND) with an empty body, and the
// bytes written follow in APPENDs of kPieceBytes, each with its length, the
// last at close(). A piece refused for another client's lease is sent again
// whole, like the streaming open. Releasing the file without close() drops
// the piece not sent yet.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "HttpUpload.h"
#include "WebHdfsClient.h"
#include "hadoop/VRHadoop.h"

namespace vrhadoop {

class WebHdfsWriteFile final : public HadoopFile {
public:
    // append false: CREATE, replacing an existing file. append true: APPEND
    // to an existing file, or CREATE (never replacing) when there is none.
    // A directory is refused. Null with *message on failure.
    //
    // An open that another client's lease blocks (AlreadyBeingCreatedException,
    // RecoveryInProgressException, from the NameNode or from the DataNode,
    // which opens the file when the upload begins) is tried again, pausing
    // retryDelayMs, doubled each time up to kMaxLeasePauseMs, until
    // the endpoint's leaseWaitMs has passed. Such a refusal means the file
    // was never opened for the upload, so none of its bytes were written:
    // while the upload has taken no more than kReplayBytes, they are all
    // kept and sent again with the new upload. Any other failure of an
    // upload is final.
    static constexpr long kMaxLeasePauseMs = 8000;
    static constexpr std::size_t kReplayBytes = HttpUpload::kQueueBytes;
    static constexpr std::size_t kPieceBytes = 8u << 20;
    static WebHdfsWriteFile* open(const WebHdfsEndpoint& endpoint, const std::string& path, bool append,
                                  std::string* message);
    ~WebHdfsWriteFile() = default;

    bool close(VrbString* error) override;
    // The file's length as far as this writer knows: what it had when opened
    // for appending, plus every byte taken by write().
    std::int64_t size() override;
    int read(int reserved, char** data, int maxBytes, VrbString* error) override;
    void release() override;
    bool write(int reserved, const char* data, int length, VrbString* error) override;

private:
    WebHdfsWriteFile(const WebHdfsEndpoint& endpoint, std::string path) : client_(endpoint), path_(std::move(path)) {}

    // The NameNode step and the start of the upload; false with *failure.
    bool beginUpload(Failure* failure);
    // After a refusal for another client's lease: true after a pause when
    // the wait is not over; false at once for other failures, and when the
    // wait is over (with the tries in failure->note).
    bool awaitLease(Failure* failure);
    // After a lease refusal of the upload: a new upload with every byte
    // written so far, while they are all kept; false with *failure.
    // `pending`: the bytes of the write under way, which length_ does not
    // count yet.
    bool resendAfterLease(std::size_t pending, Failure* failure);
    // For an append: the file's length now is where this writer's bytes
    // start (length_ follows); false with *failure.
    bool takeStartLength(std::size_t pending, Failure* failure);

    // Uploading in pieces: one request of `op` with the whole body `data`,
    // waiting while another client's lease blocks it; false with *failure.
    // An exchange whose answer is lost counts as done when the file's length
    // is then `lengthAfter`.
    bool uploadPiece(HttpMethod method, const std::string& op, const std::string& query, const char* data,
                     std::size_t size, std::int64_t lengthAfter, Failure* failure);
    // Sends the piece that waits; false with *failure.
    bool sendPiece(Failure* failure);
    // write() in pieces: the bytes join the piece, which goes out whenever
    // it is full; false with *error.
    bool writeInPieces(const char* data, std::size_t size, VrbString* error);

    // Empty when the file's length is what this writer sent it to; else
    // what the file holds instead, in words.
    std::string lengthShortfall();

    WebHdfsClient client_;
    std::unique_ptr<HttpUpload> upload_;   // the one that was started; none in pieces
    bool inPieces_ = false;
    std::string piece_;   // in pieces: the bytes written and not sent yet, fewer than kPieceBytes between writes
    std::string path_;
    HttpMethod method_ = HttpMethod::Put;
    std::string op_;      // CREATE or APPEND
    std::string query_;
    std::string replay_;          // every byte written, while no more than kReplayBytes
    bool replayable_ = true;
    int leaseRefusals_ = 0;
    std::chrono::steady_clock::time_point leaseWaitStarted_;
    long leasePauseMs_ = 0;
    std::int64_t startLength_ = 0;   // the file's length when opened for appending
    std::int64_t length_ = 0;
    std::string writeFailure_;   // once a write failed, every later write fails the same way
    bool closed_ = false;
    bool closeSucceeded_ = false;
    std::string closeFailure_;
};

}  // namespace vrhadoop
