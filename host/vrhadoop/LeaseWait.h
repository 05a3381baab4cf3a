// The wait of an open for writing while another client's lease blocks it
// (AlreadyBeingCreatedException, RecoveryInProgressException): pauses of
// retryDelayMs, doubled each time up to kMaxPauseMs, until leaseWaitMs has
// passed since the first refusal (the endpoint's limits).
#pragma once

#include <chrono>

#include "failure.h"
#include "transfer_limits.h"

namespace vrhadoop {

class LeaseWait {
public:
    static constexpr long kMaxPauseMs = 8000;

    explicit LeaseWait(const TransferLimits& limits)
        : retryDelayMs_(limits.retryDelayMs), waitMs_(limits.leaseWaitMs) {}

    // After a failure: true after a pause when it is a lease refusal and the
    // wait is not over; false at once for other failures, and when the wait
    // is over (with the tries in failure->note).
    bool pauseAfter(Failure* failure);
    // Lease refusals since the wait began.
    int refusals() const { return refusals_; }
    // The next refusal begins a new wait.
    void restart() { refusals_ = 0; }

private:
    long retryDelayMs_;
    long waitMs_;
    // refusals_ == 0: no wait under way, and started_ and pauseMs_ mean
    // nothing. Otherwise the wait began at started_ and the next pause is
    // pauseMs_, between retryDelayMs_ and kMaxPauseMs (or retryDelayMs_ when
    // that is larger).
    int refusals_ = 0;
    std::chrono::steady_clock::time_point started_;
    long pauseMs_ = 0;
};

}  // namespace vrhadoop
