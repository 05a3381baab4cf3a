#include "hz_codec.h"

namespace hxuchar {
namespace {

constexpr unsigned kGbMode = 1;

}  // namespace

int scanHz(const Iso2022Map& map, const unsigned char* s, hx_uchar_state* state, int* codes, int* length) noexcept {
    const unsigned char c = s[0];
    const bool gb = (state->mode & kGbMode) != 0;
    *length = 1;
    if (c == '~') {
        const unsigned char next = s[1];
        if (next == 0) return -1;
        if (!gb && next == '~') {
            *length = 2;
            codes[0] = '~';
            return 1;
        }
        if (!gb && (next == '{' || next == '\n')) {
            if (next == '{') state->mode |= kGbMode;
            *length = 2;
            return 0;
        }
        if (gb && next == '}') {
            state->mode &= ~kGbMode;
            *length = 2;
            return 0;
        }
        return -1;
    }
    if (c >= 0x80) return -1;
    if (!gb) {
        codes[0] = c;
        return 1;
    }
    const unsigned char trail = s[1];
    if (trail == 0 || c - 0x21u >= 94u || trail - 0x21u >= 94u) return -1;
    const std::uint32_t code = map.sets[0].toCode[(c - 0x21) * 94 + (trail - 0x21)];
    if (code == Iso2022Map::kUnmappedCode) return -1;
    *length = 2;
    codes[0] = static_cast<int>(code);
    return 1;
}

int encodeHz(const Iso2022Map& map, int cp, hx_uchar_state* state, unsigned char* out) noexcept {
    int n = 0;
    if (cp < 0x80) {
        n = resetHz(state, out);
        out[n++] = static_cast<unsigned char>(cp);
        if (cp == '~') out[n++] = '~';
        return n;
    }
    if (cp >= 0x10000) return 0;
    const int block = Iso2022Map::kBlockSize;
    const std::uint32_t entry = map.pages[map.pageOfBlock[cp / block] * block + cp % block];
    if (entry == 0) return 0;
    if (!(state->mode & kGbMode)) {
        out[n++] = '~';
        out[n++] = '{';
        state->mode |= kGbMode;
    }
    out[n++] = static_cast<unsigned char>(entry >> 8);
    out[n++] = static_cast<unsigned char>(entry & 0xFF);
    return n;
}

int resetHz(hx_uchar_state* state, unsigned char* out) noexcept {
    if (!(state->mode & kGbMode)) return 0;
    state->mode &= ~kGbMode;
    out[0] = '~';
    out[1] = '}';
    return 2;
}

}  // namespace hxuchar
