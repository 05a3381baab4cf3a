// The text engine writing hostile text: write and writeln calls with widths
// taken from the input, in every encoding and newline, through small
// buffers. The fast paths must write the bytes of the per-character
// reference, and a raw stream that starts failing must never leave a write
// reported done whose bytes did not arrive.
#include <string>
#include <vector>

#include "text_fuzz_support.h"
#include "vrbaseio/VrbIO.h"

namespace {

using vrbfuzz::Path;

struct Call {
    int op;
    std::string text;
    int width;
};

struct Setup {
    int openMode;
    int encoding;
    int flags;
    int bufferSize;
    std::vector<Call> calls;
};

struct Outcome {
    std::string results;   // what each call returned, then close
    std::string written;   // the bytes the raw stream took
    bool allSucceeded = true;
};

Outcome run(const Setup& setup, Path path, int failWritesAfter, int acceptAtMost) {
    ScriptedRawStream* raw = ScriptedRawStream::create({});
    ScriptedRawStream::Record* record = raw->record();
    record->openBufferSize = setup.bufferSize;
    record->failWritesAfter = failWritesAfter;
    record->acceptAtMost = acceptAtMost;
    VrbIOTextWrapper* file = vrbfuzz::scriptedFile(raw, setup.openMode, setup.encoding, setup.flags, path);
    Outcome outcome;
    if (!file->open()) {
        outcome.results = "open failed: " + std::string(file->errorText().asCstr());
        outcome.allSucceeded = false;
    } else {
        for (const Call& call : setup.calls) {
            const char* text = call.text.data();
            const int length = static_cast<int>(call.text.size());
            bool done = false;
            switch (call.op) {
                case 0: done = file->write(text, length); break;
                case 1: done = file->write(text, length, call.width); break;
                case 2: done = file->writeln(text, length); break;
                case 3: done = file->writeln(text, length, call.width); break;
                default: done = file->write(call.text.c_str()); break;
            }
            outcome.results += done ? '1' : '0';
            outcome.allSucceeded = outcome.allSucceeded && done;
        }
        const bool closed = file->close();
        outcome.results += closed ? " closed" : " close failed";
        outcome.allSucceeded = outcome.allSucceeded && closed;
    }
    outcome.written = record->written;
    file->destroy();
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    Setup setup;
    setup.openMode = input.flag() ? VrbTxtFileAppend : VrbTxtFileWrite;
    setup.encoding = vrbfuzz::chooseEncoding(input);
    static const unsigned kNewlines[] = {0, VRB_TXT_NEWLINE_LF, VRB_TXT_NEWLINE_CRLF, VRB_TXT_NEWLINE_CR,
                                         VRB_TXT_NEWLINE_NEL, VRB_TXT_NEWLINE_LF | VRB_TXT_NEWLINE_CR};
    const int flagBits = input.byte();
    setup.flags = static_cast<int>(kNewlines[(flagBits >> 1) % 6] | ((flagBits & 1) ? VRB_TXT_WRITE_BOM : 0));
    setup.bufferSize = input.range(1, 300);
    const int failWritesAfter = input.range(0, 6);
    const int acceptAtMost = input.range(1, 40);
    for (int calls = input.range(1, 16); calls > 0 && !input.empty(); --calls) {
        Call call;
        call.op = input.range(0, 4);
        call.width = input.range(-2, 120);
        call.text = input.text(255);
        setup.calls.push_back(std::move(call));
    }

    const Outcome reference = run(setup, Path::Reference, -1, -1);
    for (Path path : {Path::Best, Path::Scalar}) {
        const Outcome fast = run(setup, path, -1, -1);
        FUZZ_CHECK(fast.results == reference.results && fast.written == reference.written,
                   "path %d: %s\n%s\nreference: %s\n%s", static_cast<int>(path), fast.results.c_str(),
                   vrbfuzz::hex(fast.written).c_str(), reference.results.c_str(),
                   vrbfuzz::hex(reference.written).c_str());
    }
    // A raw stream taking part of each write still gets every byte.
    const Outcome shortWrites = run(setup, Path::Best, -1, acceptAtMost);
    FUZZ_CHECK(shortWrites.results == reference.results && shortWrites.written == reference.written,
               "taking %d bytes a write: %s\n%s\nreference: %s\n%s", acceptAtMost, shortWrites.results.c_str(),
               vrbfuzz::hex(shortWrites.written).c_str(), reference.results.c_str(),
               vrbfuzz::hex(reference.written).c_str());
    // With the raw stream failing from its n-th write on (after short ones,
    // or after taking nothing), what arrived is a prefix of the reference,
    // and all of it unless a call said it failed.
    for (Path path : {Path::Reference, Path::Best}) {
        const Outcome failing = run(setup, path, failWritesAfter, path == Path::Best ? acceptAtMost - 1 : -1);
        FUZZ_CHECK(reference.written.compare(0, failing.written.size(), failing.written) == 0,
                   "path %d failing after %d writes: %s is no prefix of %s", static_cast<int>(path),
                   failWritesAfter, vrbfuzz::hex(failing.written).c_str(), vrbfuzz::hex(reference.written).c_str());
        FUZZ_CHECK(!failing.allSucceeded || failing.written == reference.written,
                   "path %d failing after %d writes: every call succeeded (%s) but %zu of %zu bytes arrived",
                   static_cast<int>(path), failWritesAfter, failing.results.c_str(), failing.written.size(),
                   reference.written.size());
    }
    return 0;
}
