// Transfers that run side by side over one curl multi handle: waiting for
// one of them moves the others on as well, without threads. A transfer's
// easy handle carries its owner (CURLOPT_PRIVATE) so that a completion
// reaches the transfer it belongs to, whichever transfer was being waited on.
#pragma once

#include <curl/curl.h>

namespace vrhadoop {

class TransferGroup {
public:
    // Told of its easy handle's completion by collectCompletions().
    class Member {
    public:
        virtual void completed(CURLcode result) = 0;

    protected:
        ~Member() = default;
    };

    TransferGroup() noexcept;
    ~TransferGroup();
    TransferGroup(const TransferGroup&) = delete;
    TransferGroup& operator=(const TransferGroup&) = delete;

    // False when the HTTP library could not be set up.
    bool ready() const { return multi_ != nullptr; }
    CURLM* multi() const { return multi_; }

    // Starts `easy` on behalf of `member`, which must stay alive until
    // remove(easy); false when curl refused it.
    bool add(CURL* easy, Member* member);
    void remove(CURL* easy);

    // Hands every transfer that ended since the last call its result.
    void collectCompletions();

private:
    CURLM* multi_ = nullptr;   // null only when curl could not be set up
};

}  // namespace vrhadoop
