#include "vrbclass/vrb_message.h"

#include <cstdarg>
#include <cstdio>

#include "message_catalogue.h"
#include "vrbclass/secret_mask.h"
#include "system_error_text.h"

using vrbmessage::CatalogueEntry;

namespace {

constexpr int kMaxArguments = 8;

struct Argument {
    char directive;    // 's', 'd' or 'e'
    const char* text;  // for 's'
    int number;        // for 'd' and 'e'
};

// Reads the arguments that `text` asks for, in order. Returns their count.
int takeArguments(const char* text, va_list arguments, Argument* taken) noexcept {
    int count = 0;
    for (const char* p = text; *p; ++p) {
        if (*p != '%') continue;
        char directive = *++p;
        if (directive == '\0') break;
        if (count == kMaxArguments || (directive != 's' && directive != 'd' && directive != 'e')) continue;
        Argument& argument = taken[count++];
        argument.directive = directive;
        if (directive == 's') {
            argument.text = va_arg(arguments, const char*);
        } else {
            argument.number = va_arg(arguments, int);
        }
    }
    return count;
}

void appendNumber(VrbString* out, int number, bool* failed) noexcept {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", number);
    out->append(digits, failed);
}

void appendArgument(VrbString* out, const Argument& argument, bool* failed) noexcept {
    switch (argument.directive) {
        case 's':
            // Locations reach messages as text arguments; whatever they
            // carry, their secrets never show.
            vrbmessage::appendMasked(argument.text ? argument.text : "(null)", out, failed);
            break;
        case 'd':
            appendNumber(out, argument.number, failed);
            break;
        case 'e': {
            char description[256];
            vrbmessage::describeSystemError(argument.number, description, sizeof description);
            out->append(description, failed);
            out->append(" (", failed);
            out->append(vrbmessage::kSystemCodeName, failed);
            out->append(" ", failed);
            appendNumber(out, argument.number, failed);
            out->append(")", failed);
            break;
        }
    }
}

// The text with its directives replaced; null when memory is short.
VrbString render(const char* text, const Argument* arguments, int count) noexcept {
    VrbString out("", true);
    bool failed = false;
    int next = 0;
    const char* literalStart = text;
    for (const char* p = text; *p; ++p) {
        if (*p != '%') continue;
        out.append(literalStart, static_cast<std::size_t>(p - literalStart), &failed);
        char directive = *++p;
        if (directive == '\0') {
            literalStart = p;
            break;
        }
        if (directive == '%') {
            out.append("%", &failed);
        } else if (next < count) {
            appendArgument(&out, arguments[next++], &failed);
        }
        literalStart = p + 1;
    }
    out.append(literalStart, &failed);
    if (failed) out.setNull();
    return out;
}

const char* chooseText(const CatalogueEntry& entry, const Argument* arguments, int count) noexcept {
    if (!entry.textWhenMinusOne) return entry.text;
    for (int i = 0; i < count; ++i) {
        if (arguments[i].directive == 'd' && arguments[i].number == -1) return entry.textWhenMinusOne;
    }
    return entry.text;
}

}  // namespace

VrbString vrb_get_message(const char* sourceLabel, int line, const char* component, int number, ...) {
    // The message is shown to users on its own; where it was raised is no
    // part of its text.
    (void)sourceLabel;
    (void)line;
    const CatalogueEntry* entry = vrbmessage::findCatalogueEntry(number);
    Argument arguments[kMaxArguments] = {};
    int count = 0;
    const char* text = nullptr;
    if (entry) {
        va_list list;
        va_start(list, number);
        count = takeArguments(entry->text, list, arguments);
        va_end(list);
        text = chooseText(*entry, arguments, count);
    } else {
        text = "Message %d of component %s is not in the catalogue";
        arguments[0] = Argument{'d', nullptr, number};
        arguments[1] = Argument{'s', component ? component : "(unnamed)", 0};
        count = 2;
    }
    VrbString message = render(text, arguments, count);
    // Without memory for the whole text the bare template still says what failed.
    if (message.isNull()) return VrbString(text, true);
    return message;
}

const char* vrb_message_template(int number) {
    const CatalogueEntry* entry = vrbmessage::findCatalogueEntry(number);
    return entry ? entry->text : nullptr;
}
