// Byte string of the host class library. Text is held in the internal form
// of the character-set layer (UTF-8). No operation throws: a failed
// allocation leaves the string null (empty) or, for append, reports it.
#pragma once

#include <cstddef>

class VrbString {
public:
    VrbString() noexcept;
    // literal: true when `text` is a string literal (or otherwise outlives the
    // string and every copy of it): it is then referred to without a copy
    // until the string changes. A null `text` gives the null string.
    VrbString(const char* text, bool literal) noexcept;
    // A copy of `length` bytes at `data`; the bytes may contain no NUL.
    VrbString(const char* data, std::size_t length) noexcept;
    // Copies of a literal refer to the same literal; other copies allocate
    // and give the null string when memory is short.
    VrbString(const VrbString& other) noexcept;
    // The source is left null.
    VrbString(VrbString&& other) noexcept;
    VrbString& operator=(const VrbString& other) noexcept;
    VrbString& operator=(VrbString&& other) noexcept;
    ~VrbString();

    // Replaces the contents with a copy of `text` (null clears). `text` may
    // point into this string. When memory is short the string becomes null.
    void assign(const char* text) noexcept;
    void assign(const char* data, std::size_t length) noexcept;
    // The cleared state: length 0, isNull() true.
    void setNull() noexcept;
    bool isNull() const noexcept;

    // Never null: the empty or null string gives "".
    const char* asCstr() const noexcept;
    // 0 when equal; the sign orders bytes as unsigned. With caseSensitive
    // false, ASCII letters compare without regard to case. A null `text`
    // compares as "".
    int compare(const char* text, bool caseSensitive) const noexcept;
    unsigned length() const noexcept;
    bool empty() const noexcept { return length() == 0; }
    // Byte position of the last occurrence of `needle`, negative when absent
    // or beyond the int range. An empty needle is found at length().
    int rfind(const VrbString& needle) const noexcept;
    // Keeps the first `length` bytes (no change when already shorter). A
    // literal is copied first; when that copy fails the string becomes null.
    void truncate(unsigned length) noexcept;
    // On allocation failure the string is unchanged and *failed is set true
    // (when failed is not null); on success *failed is left as it was.
    // The appended text may point into this string. A string cannot grow
    // beyond the unsigned range; such an append fails the same way.
    void append(const char* text, bool* failed) noexcept;
    void append(const char* data, std::size_t length, bool* failed) noexcept;
    void append(const VrbString& text, bool* failed) noexcept;

    // A copy of bytes [start, start+count) clipped to the string.
    VrbString substring(unsigned start, unsigned count) const noexcept;

private:
    void release() noexcept;
    // The capacity to allocate when `needed` bytes no longer fit.
    std::size_t grownCapacity(std::size_t needed) const noexcept;

    const char* text_;   // literal text or owned buffer; null when null
    char* owned_;        // owned buffer, or null for literals and null strings
    std::size_t length_;
    std::size_t capacity_;
};
