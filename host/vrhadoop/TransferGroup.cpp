#include "TransferGroup.h"

#include "curl_setup.h"

namespace vrhadoop {

TransferGroup::TransferGroup() noexcept {
    if (curlLibraryReady()) multi_ = curl_multi_init();
}

TransferGroup::~TransferGroup() {
    if (multi_) curl_multi_cleanup(multi_);
}

bool TransferGroup::add(CURL* easy, Member* member) {
    curl_easy_setopt(easy, CURLOPT_PRIVATE, static_cast<void*>(member));
    return multi_ && curl_multi_add_handle(multi_, easy) == CURLM_OK;
}

void TransferGroup::remove(CURL* easy) {
    if (multi_) curl_multi_remove_handle(multi_, easy);
}

void TransferGroup::collectCompletions() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        void* member = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &member);
        if (member) static_cast<Member*>(member)->completed(message->data.result);
    }
}

}  // namespace vrhadoop
