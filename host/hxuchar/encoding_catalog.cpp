#include "encoding_catalog.h"

#include "hx/hx_uchar.h"

namespace hxuchar {

#include "generated/catalog_rows.inc"

constexpr int kEncodingCount = static_cast<int>(sizeof kEncodingRows / sizeof kEncodingRows[0]);

namespace {

constexpr bool idsAreValidAndUnique() {
    std::array<bool, kIdSlots> taken{};
    for (const EncodingRow& row : kEncodingRows) {
        if (row.id < 0 || row.id >= kIdSlots || taken[row.id]) return false;
        taken[row.id] = true;
    }
    return true;
}
static_assert(idsAreValidAndUnique(), "every encoding needs its own id below kIdSlots");

// The text layer's join buffer holds 15 bytes of one character.
constexpr bool sizesFitTheTextLayer() {
    for (const EncodingRow& row : kEncodingRows) {
        if (row.maxCharSize < 1 || row.maxCharSize > 15) return false;
        if (row.maxInternalSize < 1 || row.maxInternalSize > 4) return false;
    }
    return true;
}
static_assert(sizesFitTheTextLayer());

constexpr std::array<std::int16_t, kIdSlots> buildRowOfId() {
    std::array<std::int16_t, kIdSlots> rowOfId{};
    rowOfId.fill(-1);
    for (int i = 0; i < kEncodingCount; ++i) rowOfId[kEncodingRows[i].id] = static_cast<std::int16_t>(i);
    return rowOfId;
}

}  // namespace

constexpr std::array<std::int16_t, kIdSlots> kRowOfId = buildRowOfId();

}  // namespace hxuchar
