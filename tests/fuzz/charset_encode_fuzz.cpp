// Internal-form text, malformed included, into every encoding: the scan of
// the internal form, writing code points into small rooms, and encoding
// whole texts per character and in bulk.
#include <cstring>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "hx/hx_uchar.h"

namespace {

// A heap block of exactly `size` bytes, so that AddressSanitizer catches a
// write or read beyond it.
std::unique_ptr<char[]> exact(std::size_t size) { return std::unique_ptr<char[]>(new char[size == 0 ? 1 : size]); }

void checkIntCopy(int cp, int room) {
    std::unique_ptr<char[]> dest = exact(static_cast<std::size_t>(room));
    int written = hx_uchar_intcopy(cp, dest.get(), room);
    FUZZ_CHECK(written >= 0 && written <= room && written <= 4, "cp %X room %d written %d", cp, room, written);
    if (written == 0) return;
    int length = 0;
    int back = hx_uchar_toint(dest.get(), &length);
    bool valid = cp >= 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    FUZZ_CHECK(length == written && back == (valid ? cp : 0xFFFD), "cp %X wrote %d, reads %X (length %d)", cp,
               written, back, length);
}

// The bulk encoder takes whole characters and writes what the
// per-character encoder writes for them.
void checkEncodeRun(int id, const std::string& text, int room) {
    std::unique_ptr<char[]> source = exact(text.size());
    std::memcpy(source.get(), text.data(), text.size());
    std::unique_ptr<char[]> out = exact(static_cast<std::size_t>(room));
    int taken = -1;
    int written = hx_uchar_encode_run(id, source.get(), static_cast<int>(text.size()), out.get(), room, &taken);
    FUZZ_CHECK(taken >= 0 && static_cast<std::size_t>(taken) <= text.size() && written >= 0 && written <= room,
               "enc %d taken %d written %d", id, taken, written);
    std::string prefix = text.substr(0, static_cast<std::size_t>(taken));
    FUZZ_CHECK(prefix.find('\0') == std::string::npos, "enc %d: run took U+0000", id);
    std::string reference(prefix.size() * 16 + 1, '\0');
    int expected = hx_uchar_decode(id, prefix.c_str(), reference.data(), static_cast<int>(reference.size()));
    reference.resize(static_cast<std::size_t>(expected));
    FUZZ_CHECK(reference == std::string(out.get(), static_cast<std::size_t>(written)), "enc %d text %s: run %s, per character %s",
               id, vrbfuzz::hex(prefix).c_str(), vrbfuzz::hex(std::string(out.get(), static_cast<std::size_t>(written))).c_str(),
               vrbfuzz::hex(reference).c_str());
    // Nothing but an invalid sequence or U+0000 ends a run that has room.
    if (static_cast<std::size_t>(taken) < text.size() && room - written >= 16) {
        int length = 0;
        std::string next = text.substr(static_cast<std::size_t>(taken)) + std::string(4, '\0');
        int cp = hx_uchar_toint(next.c_str(), &length);
        FUZZ_CHECK(cp <= 0 || static_cast<std::size_t>(taken + length) > text.size(),
                   "enc %d: run stopped at %d before U+%X with room %d", id, taken, cp, room - written);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    const int id = hx_uchar_encid(input.range(0, hx_uchar_enccount() - 1));
    const int room = input.range(0, 64);
    const int cp = static_cast<int>(static_cast<unsigned>(input.byte()) << 24 | input.byte() << 16 |
                                    input.byte() << 8 | input.byte());
    checkIntCopy(cp, input.range(0, 5));
    const std::string text = input.rest();

    // The internal form scanned over its terminator only, never beyond.
    std::unique_ptr<char[]> terminated = exact(text.size() + 1);
    std::memcpy(terminated.get(), text.c_str(), text.size() + 1);
    const std::size_t end = std::strlen(terminated.get());
    for (std::size_t at = 0; at < end;) {
        int length = 0;
        int scanned = hx_uchar_toint(terminated.get() + at, &length);
        FUZZ_CHECK(length >= 1 && length <= 4 && at + static_cast<std::size_t>(length) <= end,
                   "toint at %zu: %X length %d", at, scanned, length);
        at += static_cast<std::size_t>(length);
    }

    // Encoding stops without a partial character, each within 16 bytes.
    std::unique_ptr<char[]> dest = exact(static_cast<std::size_t>(room));
    int written = hx_uchar_decode(id, terminated.get(), dest.get(), room);
    FUZZ_CHECK(written >= 0 && written <= room, "enc %d room %d written %d", id, room, written);
    std::unique_ptr<char[]> wide = exact(end * 16 + 16);
    int whole = hx_uchar_decode(id, terminated.get(), wide.get(), static_cast<int>(end * 16 + 16));
    // A stateful set ends what fits in the room in its initial state (a
    // UTF-7 run closed, a shift undone), so the cut output is a whole
    // encoding of its own and no prefix; charset_state_fuzz checks those sets.
    const bool stateful = (hx_uchar_encprop(id) & HX_PROP_STATEFUL) != 0;
    FUZZ_CHECK(whole >= written &&
                   (stateful || std::memcmp(wide.get(), dest.get(), static_cast<std::size_t>(written)) == 0),
               "enc %d: %d bytes in room %d are no prefix of the whole %d", id, written, room, whole);

    if (hx_uchar_encprop(id) & HX_PROP_BULK) checkEncodeRun(id, text, room == 0 ? 1 : room);
    return 0;
}
