// How long the library waits for the network. The defaults are the library's
// users'; the limits travel with each connection's endpoint (WebHdfsEndpoint,
// TransportSettings) from the root object that makes it, and tests make
// their roots with shorter ones to see timeouts without waiting half a minute.
#pragma once

#include <string>

namespace vrhadoop {

struct TransferLimits {
    long connectTimeoutMs = 5000;   // to establish a connection
    long stallTimeoutMs = 30000;    // without a byte moving while a call waits
    // The floor on a DataNode read's rate: each stallTimeoutMs of waiting
    // for its bytes must bring this many bytes per second on average (a
    // NameNode step must bring 1). Below it the read resumes elsewhere.
    long readFloorBytesPerSecond = 1024;
    // Without a byte of an upload's body taken: a DataNode stops reading
    // while HDFS recovers its pipeline, for up to its socket timeout (60 s)
    // plus 5 s for each DataNode of the pipeline (75 s for three), and
    // afterwards completes the file with what it had.
    long uploadStallTimeoutMs = 90000;
    // For the answer to an upload after its last byte: a DataNode answers
    // only once its pipeline has acknowledged the data, which may take long.
    long finalAnswerTimeoutMs = 120000;
    // NameNode steps that may succeed later (WebHdfsClient): the pause
    // before the second try, doubled before each further one, and the time
    // after the first try within which a further try may start.
    long retryDelayMs = 1000;
    long retryBudgetMs = 10000;
    // Failover between the NameNodes of a cluster (a NameNode on standby,
    // an observer refusing, one out of reach or not answering): up to
    // failoverAttempts moves to the next NameNode, the first at once and
    // each further one after a pause of failoverDelayMs doubled at each
    // move, up to failoverMaxDelayMs. The defaults wait up to 1+2+4+8 s
    // and then 15 s ten times: at most 165 s while no NameNode is active.
    int failoverAttempts = 15;
    long failoverDelayMs = 500;
    long failoverMaxDelayMs = 15000;
    // An open for writing that another client's lease blocks waits up to the
    // lease's soft limit (60 s in HDFS), pausing as above but up to 8 s.
    long leaseWaitMs = 60000;
    // Writes go out in pieces of known length (WebHdfsPieceWriter) even where
    // the HTTP stack could stream one body; where it cannot, they always do.
    bool uploadInPieces = false;
};

// A time limit in words, e.g. "30 s" or "1.5 s".
std::string secondsText(long milliseconds);

}  // namespace vrhadoop
