// Helpers of the local backend's tests.
#pragma once

#include <memory>
#include <string>

#include "vrbaseio_core/source_labels.h"
#include "vrbclass/VrbString.h"
#include "vrbclass/vrb_message.h"

namespace vrbtest {

// The catalogue text the backend must produce (where a message is raised is
// no part of its text).
template <typename... Args>
std::string catalogue(int number, Args... args) {
    return vrb_get_message(kLabelFile, 0, kComponent, number, args...).asCstr();
}

inline std::string text(const VrbString& string) { return string.asCstr(); }

// Owns an object that ends through its destroy operation.
struct Destroyer {
    template <typename T>
    void operator()(T* object) const { object->destroy(); }
};
template <typename T>
using Owned = std::unique_ptr<T, Destroyer>;

}  // namespace vrbtest
