// The texts of the host's message catalogue, by number.
//
// Directives: %s takes a const char* (UTF-8; null prints as "(null)"), %d an
// int, %e an int system error number shown with the system's description,
// e.g. "No such file or directory (errno 2)", and %% a percent sign.
#pragma once

namespace vrbmessage {

struct CatalogueEntry {
    int number;
    const char* text;
    // Used instead of `text`, with the same arguments, when the entry's
    // integer argument is -1; null when the entry has no such variant.
    const char* textWhenMinusOne;
};

// The entry of `number`, or null when the catalogue has none.
const CatalogueEntry* findCatalogueEntry(int number) noexcept;

}  // namespace vrbmessage
