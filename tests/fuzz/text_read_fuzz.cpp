// The text engine over hostile file bytes: a program of reads, skips, seeks
// and tells taken from the input runs with the fast paths (the processor's
// kernels or the scalar ones) and on the per-character reference path; every
// result must be the same, and the position must account for every byte.
#include <cstring>
#include <string>
#include <vector>

#include "text_fuzz_support.h"
#include "vrbaseio/VrbIO.h"

namespace {

using vrbfuzz::Path;

struct Step {
    int op;
    int count;
    int unitSize;
};

struct Setup {
    std::string content;
    int encoding;
    int flags;
    int bufferSize;
    std::vector<int> chunks;
    std::vector<Step> program;
};

// Everything a caller can observe, written down.
std::string transcript(const Setup& setup, Path path) {
    ScriptedRawStream* raw = ScriptedRawStream::create(setup.content, setup.chunks);
    ScriptedRawStream::Record* record = raw->record();
    record->openBufferSize = setup.bufferSize;
    VrbIOTextWrapper* file = vrbfuzz::scriptedFile(raw, VrbTxtFileRead, setup.encoding, setup.flags, path);
    std::string out;
    if (!file->open()) {
        out = "open failed: " + std::string(file->errorText().asCstr());
        file->destroy();
        return out;
    }
    const std::int64_t size = static_cast<std::int64_t>(setup.content.size());
    out = "enc=" + std::to_string(file->encoding()) + " tell=" + std::to_string(file->tell()) + "\n";
    std::int64_t farthest = file->tell();
    std::int64_t last = farthest;
    bool failed = false;
    for (int round = 0; round < 64 && !failed; ++round) {
        const std::int64_t before = file->tell();
        for (const Step& step : setup.program) {
            char* text = nullptr;
            bool eol = false;
            int result = 0;
            switch (step.op) {
                case 0: result = file->readLine(step.count, &text, &eol); break;
                case 1: result = file->readLine(-1, &text, &eol); break;
                case 2: result = file->readText(step.count, &text); break;
                case 3: result = file->readBytes(step.count, &text); break;
                case 4: result = file->readBytesInLine(step.count, &text, &eol); break;
                case 5: result = file->skipText(step.count, &eol); break;
                case 6: result = file->skipText(step.count, nullptr); break;
                case 7: {
                    const std::int64_t target = file->tell() + step.count;
                    result = file->seek(static_cast<int>(target / step.unitSize), step.unitSize) ? 1 : 0;
                    if (result && target / step.unitSize * step.unitSize > farthest)
                        farthest = target / step.unitSize * step.unitSize;
                    break;
                }
                default: result = static_cast<int>(file->size()); break;
            }
            const std::int64_t tell = file->tell();
            if (tell > farthest) farthest = tell;
            // Nothing moves backwards: a seek back is refused.
            FUZZ_CHECK(tell >= last, "op %d: tell went back from %lld to %lld", step.op, static_cast<long long>(last),
                       static_cast<long long>(tell));
            last = tell;
            FUZZ_CHECK(tell <= (size > farthest ? size : farthest), "tell %lld past the data (%lld)",
                       static_cast<long long>(tell), static_cast<long long>(size));
            out += std::to_string(step.op) + ":" + std::to_string(result) + " eol=" + (eol ? "1" : "0");
            if (text) out += " text=" + vrbfuzz::hex(std::string(text, std::strlen(text)));
            if (result < 0) {
                out += std::string(" error=") + file->errorText().asCstr();
                failed = true;
                break;
            }
            out += " tell=" + std::to_string(tell) + "\n";
        }
        if (file->tell() == before) break;
    }
    // Whatever the program left, reading to the end brings tell() to the
    // last byte: no byte is lost or counted twice.
    if (!failed) {
        char* text = nullptr;
        int result;
        while ((result = file->readText(4096, &text)) > 0) {
        }
        if (result == 0 && farthest <= size) {
            FUZZ_CHECK(file->tell() == size, "read to the end: tell %lld of %lld bytes",
                       static_cast<long long>(file->tell()), static_cast<long long>(size));
        }
        out += "end " + std::to_string(result) + " tell=" + std::to_string(file->tell());
    }
    file->destroy();
    return out;
}

struct WholeText {
    std::string text;
    std::string error;   // empty when the reading reached the end
};

WholeText readWhole(const Setup& setup, int flags) {
    ScriptedRawStream* raw = ScriptedRawStream::create(setup.content, setup.chunks);
    raw->record()->openBufferSize = setup.bufferSize;
    VrbIOTextWrapper* file = vrbfuzz::scriptedFile(raw, VrbTxtFileRead, setup.encoding, flags, Path::Best);
    WholeText whole;
    if (file->open()) {
        char* text = nullptr;
        int result;
        while ((result = file->readText(4096, &text)) > 0) whole.text.append(text, static_cast<std::size_t>(result));
        if (result < 0) whole.error = file->errorText().asCstr();
    } else {
        whole.error = "open";
    }
    file->destroy();
    return whole;
}

// Strict reading gives what the default gives up to the first malformed
// sequence, where the default has U+FFFD and strict reading stops.
void checkStrictIsAPrefix(const Setup& setup) {
    const int lenient = setup.flags & ~static_cast<int>(VRB_TXT_STRICT);
    const WholeText strict = readWhole(setup, lenient | static_cast<int>(VRB_TXT_STRICT));
    const WholeText replaced = readWhole(setup, lenient);
    FUZZ_CHECK(replaced.text.compare(0, strict.text.size(), strict.text) == 0, "strict text is not a prefix");
    if (strict.error.find("malformed") != std::string::npos) {
        FUZZ_CHECK(replaced.text.compare(strict.text.size(), 3, "\xEF\xBF\xBD") == 0,
                   "strict reading stopped where the default has no U+FFFD: %s", strict.error.c_str());
    } else {
        FUZZ_CHECK(strict.text == replaced.text && strict.error == replaced.error, "strict reading differs: %s",
                   strict.error.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    Setup setup;
    setup.encoding = vrbfuzz::chooseEncoding(input);
    const int flagBits = input.byte();
    setup.flags = ((flagBits & 1) ? VRB_TXT_DETECT_BOM : 0) | ((flagBits & 2) ? VRB_TXT_NUL_AS_FFFD : 0) |
                  ((flagBits & 4) ? static_cast<int>(VRB_TXT_STRICT) : 0);
    setup.bufferSize = input.range(1, 300);
    for (int chunks = input.range(0, 4); chunks > 0; --chunks) setup.chunks.push_back(input.range(1, 80));
    for (int steps = input.range(1, 12); steps > 0; --steps) {
        Step step;
        step.op = input.range(0, 8);
        step.count = input.range(-2, 400);
        step.unitSize = input.range(1, 4);
        setup.program.push_back(step);
    }
    setup.content = input.rest();

    const std::string reference = transcript(setup, Path::Reference);
    const std::string best = transcript(setup, Path::Best);
    FUZZ_CHECK(best == reference, "fast paths:\n%s\nreference:\n%s", best.c_str(), reference.c_str());
    const std::string scalar = transcript(setup, Path::Scalar);
    FUZZ_CHECK(scalar == reference, "scalar kernels:\n%s\nreference:\n%s", scalar.c_str(), reference.c_str());
    checkStrictIsAPrefix(setup);
    return 0;
}
