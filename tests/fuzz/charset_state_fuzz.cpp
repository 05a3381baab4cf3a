// Stateful encodings over hostile bytes: every step within its bounds, the
// run decoder against the steps it must agree with (text and state), and
// writing what was read twice giving the same bytes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "hx/hx_line_ends.h"
#include "hx/hx_uchar.h"

namespace {

constexpr int kPadding = 16;

bool isScalar(int cp) { return cp >= 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

std::unique_ptr<char[]> padded(const std::string& bytes) {
    std::unique_ptr<char[]> block(new char[bytes.size() + kPadding]());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    return block;
}

std::vector<int> statefulIds() {
    std::vector<int> ids;
    for (int i = 0; i < hx_uchar_enccount(); ++i) {
        if (hx_uchar_encprop(hx_uchar_encid(i)) & HX_PROP_STATEFUL) ids.push_back(hx_uchar_encid(i));
    }
    return ids;
}

bool sameState(const hx_uchar_state& a, const hx_uchar_state& b) { return a.mode == b.mode && a.bits == b.bits; }

// The text of the steps from `state` over data[0, count), U+FFFD for a bad
// one; the steps look at the bytes after `count` as the data has them.
std::string decodeBySteps(int id, const char* data, int count, hx_uchar_state* state) {
    std::string text;
    for (int at = 0; at < count;) {
        int codes[HX_UCHAR_MAX_CODES] = {};
        int length = 0;
        const int yielded = hx_uchar_scan_state(id, data + at, state, codes, &length);
        FUZZ_CHECK(length >= 1 && length <= hx_uchar_chsize_max(id) && yielded <= HX_UCHAR_MAX_CODES,
                   "enc %d at %d: step of %d bytes yielding %d", id, at, length, yielded);
        char internal[8];
        if (yielded < 0) text.append(internal, static_cast<std::size_t>(hx_uchar_intcopy(0xFFFD, internal, 8)));
        for (int i = 0; i < yielded; ++i) {
            FUZZ_CHECK(isScalar(codes[i]), "enc %d at %d: code point %X", id, at, codes[i]);
            text.append(internal, static_cast<std::size_t>(hx_uchar_intcopy(codes[i], internal, 8)));
        }
        at += length;
    }
    return text;
}

std::string encodeText(int id, const std::string& text) {
    std::string out(text.size() * 16 + 32, '\0');
    hx_uchar_state state{};
    int done = 0, written = 0;
    while (done < static_cast<int>(text.size())) {
        int taken = 0;
        written += hx_uchar_encode_run_state(id, text.data() + done, static_cast<int>(text.size()) - done,
                                             out.data() + written, static_cast<int>(out.size()) - written, &taken,
                                             &state);
        if (taken == 0) {
            // U+0000 stops the run (the text has no invalid sequences): the
            // text file writes it as a zero byte from the initial state.
            written += hx_uchar_reset_state(id, &state, out.data() + written, 16);
            out[static_cast<std::size_t>(written++)] = 0;
            taken = 1;
        }
        done += taken;
    }
    written += hx_uchar_reset_state(id, &state, out.data() + written, 16);
    FUZZ_CHECK(sameState(state, hx_uchar_state{}), "enc %d: reset leaves a state", id);
    out.resize(static_cast<std::size_t>(written));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<int> ids = statefulIds();
    if (ids.empty()) return 0;
    vrbfuzz::FuzzInput input(data, size);
    const int id = ids[static_cast<std::size_t>(input.range(0, static_cast<int>(ids.size()) - 1))];
    const bool lineEnds = input.flag();
    const int room = input.range(1, 64);
    const std::string bytes = input.rest();
    std::unique_ptr<char[]> block = padded(bytes);
    const int count = static_cast<int>(bytes.size());

    hx_uchar_state stepped{};
    const std::string text = decodeBySteps(id, block.get(), count, &stepped);

    // The run takes whole steps; the steps over what it took give its text
    // and leave its state.
    std::unique_ptr<char[]> out(new char[static_cast<std::size_t>(room)]);
    hx_uchar_state run{};
    int taken = -1;
    const int written = hx_uchar_decode_run_state(id, block.get(), count, lineEnds, out.get(), room, &taken, &run);
    FUZZ_CHECK(taken >= 0 && taken <= count && written >= 0 && written <= room, "enc %d taken %d written %d", id,
               taken, written);
    // A step may look at the byte after it, so the steps run over the whole
    // data and the run must end where one ends.
    hx_uchar_state reference{};
    const std::string prefixText = decodeBySteps(id, block.get(), taken, &reference);
    FUZZ_CHECK(prefixText == std::string(out.get(), static_cast<std::size_t>(written)) && sameState(run, reference),
               "enc %d: the run's %d bytes disagree with the steps", id, taken);
    FUZZ_CHECK(prefixText.find('\0') == std::string::npos, "enc %d: the run took U+0000", id);

    // Writing the text read, reading it back and writing it again is stable,
    // unless the text holds ESC, SO or SI, which the ISO-2022 sets write as
    // themselves (as the reference does) and which then change what the
    // bytes after them mean.
    if (text.find_first_of("\x1B\x0E\x0F") != std::string::npos) return 0;
    const std::string once = encodeText(id, text);
    std::unique_ptr<char[]> back = padded(once);
    hx_uchar_state again{};
    const std::string reread = decodeBySteps(id, back.get(), static_cast<int>(once.size()), &again);
    FUZZ_CHECK(encodeText(id, reread) == once, "enc %d: %s does not write back to itself", id,
               vrbfuzz::hex(once).c_str());
    return 0;
}
