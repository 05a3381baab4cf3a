// Byte string of the host class library. Text is held in the internal form
// of the character-set layer (UTF-8). No operation throws: a failed
// allocation leaves the string null (empty) or, for append, reports it.
#pragma once

#include <cstddef>

class VrbString {
public:
    VrbString() noexcept;
    // literal: true when `text` is a string literal (or otherwise outlives the
    // string): it is then referred to without a copy until the string changes.
    VrbString(const char* text, bool literal) noexcept;
    // A copy of `length` bytes at `data`; the bytes may contain no NUL.
    VrbString(const char* data, std::size_t length) noexcept;
    VrbString(const VrbString& other) noexcept;
    VrbString(VrbString&& other) noexcept;
    VrbString& operator=(const VrbString& other) noexcept;
    VrbString& operator=(VrbString&& other) noexcept;
    ~VrbString();

    // Replaces the contents with a copy of `text` (null clears).
    void assign(const char* text) noexcept;
    void assign(const char* data, std::size_t length) noexcept;
    // The cleared state: length 0, isNull() true.
    void setNull() noexcept;
    bool isNull() const noexcept;

    // Never null: the empty or null string gives "".
    const char* asCstr() const noexcept;
    // 0 when equal; the sign orders bytes as unsigned. With caseSensitive
    // false, ASCII letters compare without regard to case.
    int compare(const char* text, bool caseSensitive) const noexcept;
    unsigned length() const noexcept;
    bool empty() const noexcept { return length() == 0; }
    // Byte position of the last occurrence of `needle`, negative when absent.
    int rfind(const VrbString& needle) const noexcept;
    // Keeps the first `length` bytes (no change when already shorter).
    void truncate(unsigned length) noexcept;
    // On allocation failure the string is unchanged and *failed is set true
    // (when failed is not null); on success *failed is left as it was.
    void append(const char* text, bool* failed) noexcept;
    void append(const char* data, std::size_t length, bool* failed) noexcept;
    void append(const VrbString& text, bool* failed) noexcept;

    // A copy of bytes [start, start+count) clipped to the string.
    VrbString substring(unsigned start, unsigned count) const noexcept;

private:
    void release() noexcept;
    bool reserve(std::size_t capacity) noexcept;

    const char* text_;   // literal text or owned buffer; null when null
    char* owned_;        // owned buffer, or null for literals and null strings
    std::size_t length_;
    std::size_t capacity_;
};
