// The encoding detector over hostile bytes: it reads nothing past the
// length it is given, always names an encoding the layer knows, and a mark
// it reports is really at the start.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzInput.h"
#include "hx/hx_uchar.h"
#include "hx/hx_uchar_detect.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    const int requested = input.range(-1, 255);
    const std::string bytes = input.rest();
    // Exactly the bytes, no padding, so that AddressSanitizer sees any read past them.
    std::unique_ptr<char[]> block(new char[bytes.size() + 1]);
    std::memcpy(block.get(), bytes.data(), bytes.size());
    const int length = static_cast<int>(bytes.size());
    int confidence = -1, mark = -1;
    const int chosen = hx_uchar_detect(block.get(), length, requested, &confidence, &mark);
    FUZZ_CHECK(hx_uchar_encname(chosen) != nullptr, "unknown choice %d", chosen);
    FUZZ_CHECK(confidence >= 0 && confidence <= 100, "confidence %d", confidence);
    FUZZ_CHECK(mark == 0 || mark == 2 || mark == 3 || mark == 4, "mark %d", mark);
    FUZZ_CHECK(mark <= length, "mark %d of %d bytes", mark, length);
    FUZZ_CHECK(mark == 0 || chosen == HX_ENC_UTF8 || chosen == HX_ENC_UTF16LE || chosen == HX_ENC_UTF16BE ||
                   chosen == HX_ENC_UTF32LE || chosen == HX_ENC_UTF32BE,
               "mark %d with encoding %d", mark, chosen);
    int again = -1;
    FUZZ_CHECK(hx_uchar_detect(block.get(), length, requested, &again, nullptr) == chosen && again == confidence,
               "a second call chose otherwise");
    return 0;
}
