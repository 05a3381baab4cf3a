// hx_uchar_detect: the rules in order, each cheaper than the next.
#include "hx/hx_uchar_detect.h"

#include <cstdint>
#include <cstring>

#include "byte_pair_counts.h"
#include "detect_models.h"
#include "encoding_catalog.h"
#include "hx/hx_uchar.h"
#include "utf8.h"

namespace hxuchar {

namespace {

using Bytes = const unsigned char*;

struct Choice {
    int encoding;
    int confidence;
};

struct Mark {
    const char* bytes;
    int length;
    int encoding;
};

// The four-byte marks first: FF FE 00 00 also starts with the UTF-16LE mark.
constexpr Mark kMarks[] = {
    {"\x00\x00\xFE\xFF", 4, HX_ENC_UTF32BE}, {"\xFF\xFE\x00\x00", 4, HX_ENC_UTF32LE},
    {"\xEF\xBB\xBF", 3, HX_ENC_UTF8},        {"\xFE\xFF", 2, HX_ENC_UTF16BE},
    {"\xFF\xFE", 2, HX_ENC_UTF16LE},
};

const Mark* findMark(Bytes s, int length) {
    for (const Mark& mark : kMarks) {
        if (length >= mark.length && std::memcmp(s, mark.bytes, static_cast<std::size_t>(mark.length)) == 0)
            return &mark;
    }
    return nullptr;
}

// Text in UTF-16 has zero bytes where ASCII characters (line ends, spaces,
// digits, even between CJK characters) have their high half; UTF-32 has two
// in every unit. Other encodings' text holds none.
bool findWideEncoding(Bytes s, int length, Choice* choice) {
    if (length < 4) return false;
    int zeros[4] = {};
    for (int i = 0; i < length; ++i) zeros[i & 3] += s[i] == 0;
    const int units32 = length / 4;
    const int evenZeros = zeros[0] + zeros[2];
    const int oddZeros = zeros[1] + zeros[3];
    if (length % 4 == 0 && zeros[2] == units32 && zeros[3] == units32 && zeros[0] < units32) {
        choice->encoding = HX_ENC_UTF32LE;
    } else if (length % 4 == 0 && zeros[0] == units32 && zeros[1] == units32 && zeros[3] < units32) {
        choice->encoding = HX_ENC_UTF32BE;
    } else if (oddZeros >= 2 && oddZeros >= 8 * evenZeros && oddZeros * 64 >= length) {
        choice->encoding = HX_ENC_UTF16LE;
    } else if (evenZeros >= 2 && evenZeros >= 8 * oddZeros && evenZeros * 64 >= length) {
        choice->encoding = HX_ENC_UTF16BE;
    } else {
        return false;
    }
    choice->confidence = 95;
    return true;
}

enum class Utf8Verdict { Ascii, Valid, Invalid };

// Structure alone: no overlong forms, surrogates or values past U+10FFFF.
// A sequence cut by the end of the bytes is taken as valid.
Utf8Verdict checkUtf8(Bytes s, int length) {
    bool nonAscii = false;
    int i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        int taken = 1;
        if (scanUtf8Within(s + i, length - i, &taken) >= 0) {
            i += taken;
            continue;
        }
        // Invalid, or cut: the maximal subpart of a cut sequence reaches the end.
        unsigned char tail[4] = {};
        const int left = length - i < 3 ? length - i : 3;
        std::memcpy(tail, s + i, static_cast<std::size_t>(left));
        scanUtf8(tail, &taken);
        return taken == left && length - i <= 3 ? Utf8Verdict::Valid : Utf8Verdict::Invalid;
    }
    return nonAscii ? Utf8Verdict::Valid : Utf8Verdict::Ascii;
}

// EBCDIC text: spaces are 0x40, letters and digits lie in 0x81-0xE9 and
// 0xF0-0xF9, lines end in 0x15 or 0x25, and ASCII letters are rare.
bool looksLikeEbcdic(Bytes s, int length) {
    int spaces = 0, alphanumeric = 0, asciiLetters = 0;
    for (int i = 0; i < length; ++i) {
        const unsigned b = s[i];
        spaces += b == 0x40;
        alphanumeric += (b >= 0x81 && b <= 0xA9) || (b >= 0xC1 && b <= 0xE9) || b >= 0xF0;
        asciiLetters += (b >= 0x61 && b <= 0x7A);
    }
    return spaces * 25 >= length && (spaces + alphanumeric) * 10 >= length * 7 && asciiLetters * 10 < length;
}

// Control bytes other than the line ends and tab (in EBCDIC: below 0x40
// apart from its line ends and tab).
int countControls(Bytes s, int length, bool ebcdic) {
    int controls = 0;
    for (int i = 0; i < length; ++i) {
        const unsigned b = s[i];
        if (ebcdic) controls += b < 0x40 && b != 0x05 && b != 0x0D && b != 0x15 && b != 0x25;
        else controls += (b < 0x20 && b != 0x09 && b != 0x0A && b != 0x0C && b != 0x0D) || b == 0x7F;
    }
    return controls;
}

int letterClass(const LanguageModel& model, int cp) {
    const int odd = model.classes - 1;
    if (cp < 0 || (cp >= 0x80 && cp < 0xA0)) return odd;
    if (cp < 0x80) return model.asciiClasses[cp];
    int low = 0, high = model.memberCount;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (model.members[middle].code < cp) low = middle + 1;
        else high = middle;
    }
    if (low < model.memberCount && model.members[low].code == cp) return model.members[low].letterClass;
    return model.classes - 2;
}

// The cost of the counted pairs read in `map` as text of `model`.
std::uint64_t pairCost(const BytePairCounts& pairs, const SingleByteMap& map, const LanguageModel& model,
                       bool ebcdic) {
    std::uint8_t classOf[256];
    for (unsigned b = 0; b < 256; ++b) {
        if (!pairs.seen(b)) continue;
        classOf[b] = static_cast<std::uint8_t>(b < 0x80 && !ebcdic ? model.asciiClasses[b]
                                                                   : letterClass(model, map.decode(static_cast<std::uint8_t>(b))));
    }
    std::uint64_t cost = 0;
    for (int i = 0; i < pairs.distinct(); ++i) {
        const unsigned pair = pairs.pair(i);
        cost += static_cast<std::uint64_t>(pairs.occurrences(i)) *
                static_cast<unsigned>(3 + model.pairCost(classOf[pair >> 8], classOf[pair & 0xFF]));
    }
    return cost;
}

// ASCII pairs read alike in every set that has ASCII, but they tell the
// languages apart: their counts over letters folded to a-z and the rest.
class AsciiPairs {
public:
    void count(Bytes s, int length) noexcept {
        int previous = 0;
        for (int i = 0; i < length; ++i) {
            const unsigned b = s[i];
            if (b >= 0x80) {
                previous = -1;
                continue;
            }
            const unsigned folded = b | 0x20u;
            const int current = folded >= 'a' && folded <= 'z' ? static_cast<int>(folded - 'a' + 1) : 0;
            if (previous >= 0) ++counts_[previous][current];
            previous = current;
        }
    }
    std::uint64_t cost(const LanguageModel& model) const noexcept {
        int classOf[kLetters];
        classOf[0] = model.asciiClasses[0x20];
        for (int i = 1; i < kLetters; ++i) classOf[i] = model.asciiClasses['a' + i - 1];
        // Latin words in text of another script (names, commands) are
        // foreign to its model: they cost what Latin text costs its own.
        const bool foreign = classOf[1] == model.classes - 2;
        std::uint64_t cost = 0;
        for (int a = 0; a < kLetters; ++a) {
            for (int b = 0; b < kLetters; ++b) {
                if (counts_[a][b] == 0) continue;
                const unsigned pair = foreign && (a | b) != 0 ? kForeignPairCost
                                                              : 3u + static_cast<unsigned>(model.pairCost(classOf[a], classOf[b]));
                cost += std::uint64_t{counts_[a][b]} * pair;
            }
        }
        return cost;
    }

private:
    static constexpr int kLetters = 27;
    static constexpr unsigned kForeignPairCost = 9;
    std::uint32_t counts_[kLetters][kLetters] = {};
};

// Rules 5 and 6 for single-byte sets: the set and language of least cost.
Choice chooseSingleByte(Bytes s, int length, bool ebcdic, BytePairCounts* pairs) {
    pairs->count(s, length, !ebcdic);
    std::uint64_t asciiCost[64] = {};
    if (!ebcdic) {
        AsciiPairs ascii;
        ascii.count(s, length);
        for (int m = 0; m < kLanguageModelCount && m < 64; ++m) asciiCost[m] = ascii.cost(kLanguageModels[m]);
    }
    Choice best{ebcdic ? HX_ENC_IBM037 : HX_ENC_WINDOWS1252, 10};
    std::uint64_t bestCost = ~0ull, runnerUp = ~0ull, bestHighCost = 0;
    int bestFamily = -1;
    for (int c = 0; c < kSingleByteCandidateCount; ++c) {
        const SingleByteCandidate& candidate = kSingleByteCandidates[c];
        if (candidate.ebcdic != ebcdic) continue;
        const EncodingRow* row = findEncoding(candidate.encoding);
        if (!row || !row->singleByte) continue;
        std::uint64_t cost = ~0ull, highCost = 0;
        for (int m = 0; m < kLanguageModelCount; ++m) {
            if (!((candidate.languages >> m) & 1u)) continue;
            const std::uint64_t languageHighCost = pairCost(*pairs, *row->singleByte, kLanguageModels[m], ebcdic);
            if (languageHighCost + asciiCost[m] < cost) {
                cost = languageHighCost + asciiCost[m];
                highCost = languageHighCost;
            }
        }
        if (cost < bestCost) {
            if (candidate.family != bestFamily) runnerUp = bestCost;
            bestCost = cost;
            bestHighCost = highCost;
            best.encoding = candidate.encoding;
            bestFamily = candidate.family;
        } else if (candidate.family != bestFamily && cost < runnerUp) {
            runnerUp = cost;
        }
    }
    const double events = pairs->total();
    if (events == 0 || bestCost == ~0ull) return best;
    // Certainty grows with how text-like the reading is (a pair of likely
    // letters costs about 8), with the evidence and with the lead over the
    // next family.
    const double perPair = static_cast<double>(bestHighCost) / events;
    const double lead = runnerUp == ~0ull ? 4.0 : static_cast<double>(runnerUp - bestCost) / events;
    double quality = (15.0 - perPair) * 10.0;
    quality = quality < 0.0 ? 0.0 : quality > 50.0 ? 50.0 : quality;
    const double evidence = events / 8.0 > 25.0 ? 25.0 : events / 8.0;
    const double ahead = lead * 10.0 > 20.0 ? 20.0 : lead * 10.0;
    double confidence = 4.0 + quality + evidence + ahead;
    best.confidence = static_cast<int>(confidence > 99.0 ? 99.0 : confidence);
    return best;
}

struct CjkScore {
    int characters = 0;  // above U+007F
    int known = 0;       // of those, in the language's list
    std::uint64_t cost = 0;
    bool valid = true;
};

constexpr int kCjkScanLimit = 16 * 1024;
constexpr int kMissingCharacterCost = 20;

int characterCost(const CjkCandidate& candidate, int cp) {
    int low = 0, high = candidate.characterCount;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (static_cast<int>(candidate.characters[middle].code) < cp) low = middle + 1;
        else high = middle;
    }
    if (low < candidate.characterCount && static_cast<int>(candidate.characters[low].code) == cp)
        return 3 + candidate.characters[low].cost;
    return -1;
}

CjkScore scoreCjk(Bytes s, int length, const CjkCandidate& candidate, const MultiByteMap& map) {
    CjkScore score;
    if (length > kCjkScanLimit) length = kCjkScanLimit;
    unsigned char tail[32];
    int i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        int taken = 1, cp;
        if (length - i >= 8) {
            cp = map.scan(s + i, &taken);
        } else {
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, s + i, static_cast<std::size_t>(length - i));
            cp = map.scan(tail, &taken);
            // A character cut by the end of the sample is no fault.
            if (cp < 0 && i + taken >= length) break;
        }
        if (cp < 0) {
            score.valid = false;
            return score;
        }
        i += taken;
        if (cp < 0x80) continue;
        ++score.characters;
        const int cost = characterCost(candidate, cp);
        if (cost >= 0) {
            ++score.known;
            score.cost += static_cast<unsigned>(cost);
        } else {
            score.cost += kMissingCharacterCost;
        }
    }
    return score;
}

// Rule 6 for the multi-byte sets: a valid reading that is mostly the
// language's common characters.
bool chooseMultiByte(Bytes s, int length, Choice* choice) {
    double bestAverage = 1e9;
    bool found = false;
    for (int c = 0; c < kCjkCandidateCount; ++c) {
        const CjkCandidate& candidate = kCjkCandidates[c];
        const EncodingRow* row = findEncoding(candidate.encoding);
        if (!row || !row->multiByte) continue;
        const CjkScore score = scoreCjk(s, length, candidate, *row->multiByte);
        if (!score.valid || score.characters == 0 || score.known * 2 < score.characters) continue;
        const double average = static_cast<double>(score.cost) / score.characters;
        if (average < bestAverage) {
            bestAverage = average;
            choice->encoding = candidate.encoding;
            const int share = score.known * 100 / score.characters;
            const int evidence = score.characters >= 50 ? 0 : (50 - score.characters) / 2;
            choice->confidence = share - evidence < 10 ? 10 : share - evidence;
            found = true;
        }
    }
    return found;
}

bool readsAsciiAsAscii(int id) {
    return hx_uchar_encname(id) != nullptr && (hx_uchar_encprop(id) & HX_PROP_ASCII_BYTES) != 0;
}

Choice detect(Bytes s, int length, int requested, int* markLength) {
    *markLength = 0;
    if (const Mark* mark = findMark(s, length)) {
        *markLength = mark->length;
        return {mark->encoding, 100};
    }
    Choice choice{HX_ENC_UTF8, 0};
    if (findWideEncoding(s, length, &choice)) return choice;
    switch (checkUtf8(s, length)) {
    case Utf8Verdict::Ascii:
        return {readsAsciiAsAscii(requested) ? requested : HX_ENC_UTF8, 100};
    case Utf8Verdict::Valid:
        return {HX_ENC_UTF8, 99};
    case Utf8Verdict::Invalid:
        break;
    }
    BytePairCounts pairs;
    const bool ebcdic = looksLikeEbcdic(s, length);
    if (ebcdic) choice = chooseSingleByte(s, length, true, &pairs);
    else if (!chooseMultiByte(s, length, &choice)) choice = chooseSingleByte(s, length, false, &pairs);
    // Text holds few control characters; binary data many.
    const int controls = countControls(s, length, ebcdic);
    choice.confidence -= controls * 1000 / length;
    if (choice.confidence < 1) choice.confidence = 1;
    return choice;
}

}  // namespace

}  // namespace hxuchar

extern "C" int hx_uchar_detect(const char* bytes, int length, int requested, int* confidence, int* markLength) {
    int mark = 0;
    const hxuchar::Choice choice =
        hxuchar::detect(reinterpret_cast<const unsigned char*>(bytes), bytes && length > 0 ? length : 0, requested, &mark);
    if (confidence) *confidence = choice.confidence;
    if (markLength) *markLength = mark;
    return choice.encoding;
}
