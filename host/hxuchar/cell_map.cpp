#include "cell_map.h"

namespace hxuchar {
namespace {

constexpr unsigned kPlaneLow = 0xA1;
constexpr unsigned kPlaneHigh = 0xFE;
constexpr int kPlaneRows = 94;

bool inRange(unsigned byte, unsigned low, unsigned high) noexcept {
    return byte >= low && byte <= high;
}

}  // namespace

int CellMap::scan(const unsigned char* s, int* codes, int* length) const noexcept {
    *length = 1;
    const std::uint32_t code = single[s[0]];
    if (code != kLeadCode) return yieldCell(code, pairs, codes);
    // A code cut by the end of the data is one replacement, whatever its
    // bytes, as the references read data that ends inside a code; only a
    // plane byte is judged as it comes (glibc's EUC-TW).
    const bool prefixed = prefix != 0 && s[0] == prefix;
    if (prefixed && selectorLow != 0 && s[1] != 0 && !inRange(s[1], selectorLow, selectorHigh)) return -1;
    const int need = prefixed ? (selectorLow != 0 ? 4 : 3) : 2;
    for (int i = 1; i < need; ++i) {
        if (s[i] == 0) {
            *length = malformedLength(s, i);
            return -1;
        }
    }
    int at = 1;
    const CellRow* row;
    if (prefixed) {
        const CellRow* plane = planeRows;
        if (selectorLow != 0) {
            if (!inRange(s[1], selectorLow, selectorHigh)) return -1;
            plane += (s[1] - selectorLow) * kPlaneRows;
            at = 2;
        }
        if (!inRange(s[at], kPlaneLow, kPlaneHigh)) return -1;
        row = &plane[s[at] - kPlaneLow];
        ++at;
    } else {
        row = &rows[2 * s[0] + (split != 0 && s[1] >= split ? 1 : 0)];
    }
    const unsigned trail = s[at];
    if (!row->cells) {
        if (row->first != 1 || row->last != 0) return -1;
        const int cp = base->scan(s, length);
        return cp < 0 ? -1 : yieldCell(static_cast<std::uint32_t>(cp), pairs, codes);
    }
    if (trail == skip) return -1;
    const unsigned position = skip != 0 && trail > skip ? trail - 1 : trail;
    if (!inRange(position, row->first, row->last)) return -1;
    const std::uint32_t value = row->cells[position - row->first];
    // A code the set reserves is replaced whole; an unmapped one leaves
    // its bytes after the first to be read afresh.
    if (value == kMalformedCode) *length = at + 1;
    const int count = yieldCell(value, pairs, codes);
    if (count > 0) *length = at + 1;
    return count;
}

std::uint32_t CellMap::entryOf(int cp) const noexcept {
    if (cp < 0x10000) return pages[pageOfBlock[cp / kBlockSize] * kBlockSize + cp % kBlockSize];
    return findWide(wide, wideCount, static_cast<std::uint32_t>(cp));
}

int CellMap::encode(int cp, int next, unsigned char* out, bool* both) const noexcept {
    *both = false;
    if (cp == 0) {
        out[0] = 0;
        return 1;
    }
    std::uint32_t entry = 0;
    if (next > 0) {
        for (int i = 0; i < pairCount && pairCodes[i].first <= cp; ++i) {
            if (pairCodes[i].first == cp && pairCodes[i].second == next) {
                entry = pairCodes[i].entry;
                *both = true;
                break;
            }
        }
    }
    if (entry == 0) entry = entryOf(cp);
    if (entry == 0) return 0;
    const int size = entry >= 0x1000000 ? 4 : entry >= 0x10000 ? 3 : entry >= 0x100 ? 2 : 1;
    for (int i = 0; i < size; ++i) out[i] = static_cast<unsigned char>(entry >> (8 * (size - 1 - i)));
    return size;
}

}  // namespace hxuchar
