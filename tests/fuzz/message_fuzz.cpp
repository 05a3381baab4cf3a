// The message catalogue with every number and hostile arguments: texts
// with format characters, very long, invalid UTF-8, carrying secrets, and
// any integer (system error numbers included). Each text argument shows
// whole unless it carries a secret, and a secret never shows.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "vrbclass/vrb_message.h"

namespace {

constexpr const char kSecret[] = "Zq7sEcReT9vX";

struct Arguments {
    std::vector<std::string> texts;
    std::vector<int> numbers;
    std::size_t nextText = 0;
    std::size_t nextNumber = 0;
    const char* text() { return nextText < texts.size() ? texts[nextText++].c_str() : "(none)"; }
    int number() { return nextNumber < numbers.size() ? numbers[nextNumber++] : 0; }
};

// Calls vrb_get_message with the arguments its template asks for, in
// order: a text for %s, an integer for %d and %e.
template <typename... Passed>
VrbString callWith(int number, const char* directives, Arguments& arguments, Passed... passed) {
    if constexpr (sizeof...(Passed) < 8) {
        if (*directives == 's') return callWith(number, directives + 1, arguments, passed..., arguments.text());
        if (*directives == 'd' || *directives == 'e')
            return callWith(number, directives + 1, arguments, passed..., arguments.number());
    }
    return vrb_get_message("fuzz", 1, "Base Services", number, passed...);
}

std::string directivesOf(const char* text) {
    std::string directives;
    for (const char* p = text; p && *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '\0') break;
        if (*p == 's' || *p == 'd' || *p == 'e') directives += *p;
    }
    return directives;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vrbfuzz::FuzzInput input(data, size);
    static const int kNumbers[] = {29, 336, 444, 445, 446, 447, 467, 472, 654, 728, 1007, 1008, 1352, 1353, 1491,
                                   1492, 1496, 1497, 1500, 1513, 1663};
    const int choice = input.range(0, 99);
    int number;
    if (choice < 80) {
        number = kNumbers[choice % (sizeof kNumbers / sizeof kNumbers[0])];
    } else {
        number = static_cast<int>(static_cast<unsigned>(input.byte()) << 24 | input.byte() << 16 |
                                  input.byte() << 8 | input.byte());
    }
    Arguments arguments;
    const int secretAt = input.range(0, 7);
    for (int i = 0; i < 8; ++i) {
        const int kind = input.range(0, 3);
        std::string text = kind == 3 ? std::string(static_cast<std::size_t>(input.range(0, 20000)), 'x') : input.text(255);
        text = text.substr(0, text.find('\0'));
        if (text.find("Zq7") != std::string::npos) return 0;
        if (i == secretAt && kind == 2) text += "?delegation=" + std::string(kSecret);
        arguments.texts.push_back(text);
        arguments.numbers.push_back(
            kind == 0 ? -1 : static_cast<int>(static_cast<unsigned>(input.byte()) << 24 | input.byte() << 16 |
                                              input.byte() << 8 | input.byte()));
    }

    const char* pattern = vrb_message_template(number);
    const std::string directives = pattern ? directivesOf(pattern) : std::string();
    const VrbString message = callWith(number, directives.c_str(), arguments);
    FUZZ_CHECK(!message.isNull() && message.length() > 0, "message %d is empty", number);
    const std::string text(message.asCstr(), message.length());
    FUZZ_CHECK(text.find(kSecret) == std::string::npos, "message %d shows the secret: %s", number, text.c_str());
    if (!pattern) {
        FUZZ_CHECK(text.find(std::to_string(number)) != std::string::npos, "unknown message %d: %s", number,
                   text.c_str());
        return 0;
    }
    // A text without parameters cannot hold a secret: it shows as it is.
    for (std::size_t i = 0; i < arguments.nextText; ++i) {
        const std::string& argument = arguments.texts[i];
        if (argument.find('=') != std::string::npos) continue;
        FUZZ_CHECK(text.find(argument) != std::string::npos, "message %d lost argument %zu (%zu bytes): %s", number,
                   i, argument.size(), text.c_str());
    }
    return 0;
}
