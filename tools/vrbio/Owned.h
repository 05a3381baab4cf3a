// Ownership of an object that the I/O module handed out: it ends through its
// own destroy operation, never through delete.
#pragma once

namespace vrbio {

template <class Object>
class Owned {
public:
    explicit Owned(Object* object) : object_(object) {}
    ~Owned() {
        if (object_ != nullptr) object_->destroy();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    // Ends the object held, then holds `object`.
    void reset(Object* object) {
        if (object_ != nullptr) object_->destroy();
        object_ = object;
    }

    Object* operator->() const { return object_; }
    Object* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    Object* object_;
};

}  // namespace vrbio
