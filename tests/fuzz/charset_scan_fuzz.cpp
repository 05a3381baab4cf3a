// File bytes in every encoding: hx_uchar_chscan over hostile data, each
// character's decode -> encode -> decode, and the bulk decoder against the
// per-character scan it must agree with.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"

namespace {

constexpr int kPadding = 16;

bool isScalar(int cp) { return cp >= 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }
bool isLineEnd(int cp) { return hxuchar::isLineEndCharacter(static_cast<std::uint32_t>(cp)); }

// The data in a heap block of its exact size plus the padding the engine
// guarantees, so that AddressSanitizer catches a scan beyond it.
std::unique_ptr<char[]> padded(const std::string& bytes) {
    std::unique_ptr<char[]> block(new char[bytes.size() + kPadding]());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    return block;
}

// A character read back from what it was written as reads the same.
void checkRoundTrip(int id, int cp) {
    char internal[8] = {};
    FUZZ_CHECK(hx_uchar_intcopy(cp, internal, sizeof internal) > 0, "enc %d cp %X", id, cp);
    char encoded[32] = {};
    int written = hx_uchar_decode(id, internal, encoded, 16);
    FUZZ_CHECK(written > 0 && written <= hx_uchar_chsize_max(id), "enc %d cp %X written %d", id, cp, written);
    std::unique_ptr<char[]> again = padded(std::string(encoded, static_cast<std::size_t>(written)));
    int length = 0;
    int back = hx_uchar_chscan(id, again.get(), &length);
    FUZZ_CHECK(back == cp && length == written, "enc %d cp %X -> %s -> %X (length %d)", id, cp,
               vrbfuzz::hex(std::string(encoded, static_cast<std::size_t>(written))).c_str(), back, length);
}

// What the bulk decoder took must be whole, valid characters that the
// per-character scan decodes to the same text.
void checkDecodeRun(int id, const char* data, int count, bool lineEnds, int room) {
    std::unique_ptr<char[]> out(new char[static_cast<std::size_t>(room)]);
    int taken = -1;
    int written = hx_uchar_decode_run(id, data, count, lineEnds, out.get(), room, &taken);
    FUZZ_CHECK(taken >= 0 && taken <= count && written >= 0 && written <= room, "enc %d taken %d written %d", id,
               taken, written);
    std::string reference;
    for (int at = 0; at < taken;) {
        int length = 0;
        int cp = hx_uchar_chscan(id, data + at, &length);
        FUZZ_CHECK(cp > 0 && at + length <= taken, "enc %d: run took byte %d, which scans as %d (length %d)", id, at,
                   cp, length);
        FUZZ_CHECK(!lineEnds || !isLineEnd(cp), "enc %d: run took line end %X", id, cp);
        char internal[8];
        reference.append(internal, static_cast<std::size_t>(hx_uchar_intcopy(cp, internal, sizeof internal)));
        at += length;
    }
    FUZZ_CHECK(reference == std::string(out.get(), static_cast<std::size_t>(written)), "enc %d: run %s, scan %s", id,
               vrbfuzz::hex(std::string(out.get(), static_cast<std::size_t>(written))).c_str(),
               vrbfuzz::hex(reference).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    const int id = hx_uchar_encid(input.range(0, hx_uchar_enccount() - 1));
    // Stateful sets have a target of their own (charset_state_fuzz).
    if (hx_uchar_encprop(id) & HX_PROP_STATEFUL) return 0;
    const bool lineEnds = input.flag();
    const int room = input.range(1, 64);
    const std::string bytes = input.rest();
    std::unique_ptr<char[]> block = padded(bytes);
    const int count = static_cast<int>(bytes.size());
    const int widest = hx_uchar_chsize_max(id);

    for (int at = 0; at < count;) {
        int length = 0;
        int cp = hx_uchar_chscan(id, block.get() + at, &length);
        FUZZ_CHECK(length >= 1 && length <= widest && at + length <= count + kPadding,
                   "enc %d at %d: length %d (widest %d)", id, at, length, widest);
        FUZZ_CHECK(cp < 0 || isScalar(cp), "enc %d at %d: code point %X", id, at, cp);
        if (cp > 0) checkRoundTrip(id, cp);
        at += length;
    }
    if (hx_uchar_encprop(id) & HX_PROP_BULK) checkDecodeRun(id, block.get(), count, lineEnds, room);
    return 0;
}
