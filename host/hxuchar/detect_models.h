// The encoding detector's language models, generated from word frequencies
// by tables/detect_models.py into generated/detect_models.cpp.
#pragma once

#include <cstdint>

namespace hxuchar {

// A character of an alphabetic language and its class in the language's
// pair table. Class 0 is a word boundary, classes-3 punctuation, classes-2
// a letter the alphabet lacks, classes-1 what no text holds (C1 controls,
// undefined bytes).
struct LetterClass {
    char16_t code;
    std::uint8_t letterClass;
};

struct LanguageModel {
    const char* tag;
    int classes;
    const LetterClass* members;  // characters from U+0080 up, sorted
    int memberCount;
    const std::uint8_t* asciiClasses;  // 128 entries
    // classes x classes costs, 'a' + (-log2 p - 3) clamped to 0-15.
    const char* pairCosts;

    int pairCost(int first, int second) const noexcept { return pairCosts[first * classes + second] - 'a'; }
};

struct SingleByteCandidate {
    int encoding;
    int family;  // its place in the generator's list of families
    bool ebcdic;
    std::uint64_t languages;  // bits of kLanguageModels
};

struct CharacterCost {
    char32_t code;
    std::uint8_t cost;
};

struct CjkCandidate {
    int encoding;
    const CharacterCost* characters;  // sorted by code
    int characterCount;
};

extern const LanguageModel kLanguageModels[];
extern const int kLanguageModelCount;
extern const SingleByteCandidate kSingleByteCandidates[];
extern const int kSingleByteCandidateCount;
extern const CjkCandidate kCjkCandidates[];
extern const int kCjkCandidateCount;

}  // namespace hxuchar
