#include "vrbclass/VrbString.h"

#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace {

// length() hands out an unsigned; no string may outgrow it.
constexpr std::size_t kMaxLength = UINT_MAX;

unsigned char foldAscii(unsigned char c) noexcept { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

VrbString::VrbString() noexcept : text_(nullptr), owned_(nullptr), length_(0), capacity_(0) {}

VrbString::VrbString(const char* text, bool literal) noexcept : VrbString() {
    if (!text) return;
    if (literal) {
        std::size_t length = std::strlen(text);
        if (length > kMaxLength) return;
        text_ = text;
        length_ = length;
    } else {
        assign(text);
    }
}

VrbString::VrbString(const char* data, std::size_t length) noexcept : VrbString() { assign(data, length); }

VrbString::VrbString(const VrbString& other) noexcept : VrbString() { *this = other; }

VrbString::VrbString(VrbString&& other) noexcept
    : text_(std::exchange(other.text_, nullptr)),
      owned_(std::exchange(other.owned_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

VrbString& VrbString::operator=(const VrbString& other) noexcept {
    if (this == &other) return *this;
    if (other.text_ && !other.owned_) {
        release();
        text_ = other.text_;
        length_ = other.length_;
        return *this;
    }
    if (!other.text_) {
        setNull();
        return *this;
    }
    assign(other.text_, other.length_);
    return *this;
}

VrbString& VrbString::operator=(VrbString&& other) noexcept {
    if (this == &other) return *this;
    release();
    text_ = std::exchange(other.text_, nullptr);
    owned_ = std::exchange(other.owned_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

VrbString::~VrbString() { release(); }

void VrbString::release() noexcept {
    delete[] owned_;
    text_ = nullptr;
    owned_ = nullptr;
    length_ = 0;
    capacity_ = 0;
}

void VrbString::assign(const char* text) noexcept {
    if (!text) {
        setNull();
        return;
    }
    assign(text, std::strlen(text));
}

void VrbString::assign(const char* data, std::size_t length) noexcept {
    if (!data || length > kMaxLength) {
        setNull();
        return;
    }
    // `data` may lie in the current buffer, so it is copied before that goes.
    char* buffer = new (std::nothrow) char[length + 1];
    if (!buffer) {
        setNull();
        return;
    }
    std::memcpy(buffer, data, length);
    buffer[length] = '\0';
    release();
    text_ = owned_ = buffer;
    length_ = capacity_ = length;
}

void VrbString::setNull() noexcept { release(); }

bool VrbString::isNull() const noexcept { return text_ == nullptr; }

const char* VrbString::asCstr() const noexcept { return text_ ? text_ : ""; }

int VrbString::compare(const char* text, bool caseSensitive) const noexcept {
    const auto* left = reinterpret_cast<const unsigned char*>(asCstr());
    const auto* right = reinterpret_cast<const unsigned char*>(text ? text : "");
    for (;; ++left, ++right) {
        unsigned char a = caseSensitive ? *left : foldAscii(*left);
        unsigned char b = caseSensitive ? *right : foldAscii(*right);
        if (a != b) return a < b ? -1 : 1;
        if (a == '\0') return 0;
    }
}

unsigned VrbString::length() const noexcept { return static_cast<unsigned>(length_); }

int VrbString::rfind(const VrbString& needle) const noexcept {
    std::size_t count = needle.length_;
    if (count > length_) return -1;
    const char* haystack = asCstr();
    const char* wanted = needle.asCstr();
    for (std::size_t start = length_ - count + 1; start-- > 0;) {
        if (std::memcmp(haystack + start, wanted, count) == 0) {
            return start > static_cast<std::size_t>(INT_MAX) ? -1 : static_cast<int>(start);
        }
    }
    return -1;
}

void VrbString::truncate(unsigned length) noexcept {
    if (length >= length_) return;
    if (!owned_) {
        assign(text_, length);
        return;
    }
    owned_[length] = '\0';
    length_ = length;
}

std::size_t VrbString::grownCapacity(std::size_t needed) const noexcept {
    // Doubling keeps a run of appends linear.
    if (owned_ && capacity_ <= kMaxLength / 2 && needed < 2 * capacity_) return 2 * capacity_;
    return needed;
}

void VrbString::append(const char* text, bool* failed) noexcept {
    if (!text) return;
    append(text, std::strlen(text), failed);
}

void VrbString::append(const char* data, std::size_t length, bool* failed) noexcept {
    if ((!data && length > 0) || length > kMaxLength - length_) {
        if (failed) *failed = true;
        return;
    }
    std::size_t newLength = length_ + length;
    if (owned_ && newLength <= capacity_) {
        if (length > 0) std::memmove(owned_ + length_, data, length);
        owned_[newLength] = '\0';
        length_ = newLength;
        return;
    }
    std::size_t capacity = grownCapacity(newLength);
    char* buffer = new (std::nothrow) char[capacity + 1];
    if (!buffer) {
        if (failed) *failed = true;
        return;
    }
    // The old buffer is freed only after the copy, so `data` may point into it.
    std::memcpy(buffer, asCstr(), length_);
    if (length > 0) std::memcpy(buffer + length_, data, length);
    buffer[newLength] = '\0';
    release();
    text_ = owned_ = buffer;
    length_ = newLength;
    capacity_ = capacity;
}

void VrbString::append(const VrbString& text, bool* failed) noexcept {
    if (text.isNull()) return;
    append(text.text_, text.length_, failed);
}

VrbString VrbString::substring(unsigned start, unsigned count) const noexcept {
    if (start >= length_) return VrbString("", true);
    std::size_t available = length_ - start;
    return VrbString(text_ + start, count < available ? count : available);
}
