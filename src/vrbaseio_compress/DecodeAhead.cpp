#include "vrbaseio_compress/DecodeAhead.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vrb::compress {

DecodeAhead::DecodeAhead(ChunkSource* source, int chunkSize, int padding) noexcept
    : source(source), chunkSize(chunkSize), padding(padding) {}

DecodeAhead::~DecodeAhead() { stop(); }

bool DecodeAhead::start() noexcept {
    for (Slot& slot : slots) {
        slot.buffer = new (std::nothrow) unsigned char[static_cast<std::size_t>(kJoinRoom + chunkSize + padding)]();
        if (!slot.buffer) {
            stop();
            return false;
        }
    }
    try {
        worker = std::thread([this] { run(); });
    } catch (...) {
        stop();
        return false;
    }
    running = true;
    return true;
}

void DecodeAhead::stop() noexcept {
    if (running) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        worker.join();
        running = false;
    }
    for (Slot& slot : slots) {
        delete[] slot.buffer;
        slot.buffer = nullptr;
    }
}

void DecodeAhead::run() noexcept {
    for (int filling = 0;; filling ^= 1) {
        Slot& slot = slots[filling];
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopping || slot.state == SlotState::Free; });
            if (stopping) return;
        }
        bool last = false;
        const int length = source->fill(dataOf(slot), chunkSize, &last);
        {
            std::lock_guard<std::mutex> lock(mutex);
            slot.length = length;
            slot.last = last;
            slot.state = SlotState::Ready;
        }
        changed.notify_all();
        if (last) return;
    }
}

// Frees the slot held and waits for the next; false once the last is taken.
bool DecodeAhead::nextSlot() noexcept {
    if (exhausted || !running) return false;
    std::unique_lock<std::mutex> lock(mutex);
    if (holding) {
        holding = false;
        slots[reading].state = SlotState::Free;
        if (slots[reading].last) {
            exhausted = true;
            return false;
        }
        changed.notify_all();
    }
    reading ^= 1;
    changed.wait(lock, [&] { return slots[reading].state == SlotState::Ready; });
    slots[reading].state = SlotState::Held;
    holding = true;
    offset = 0;
    return true;
}

int DecodeAhead::take(int minBytes, unsigned char** data) noexcept {
    if (!running) return 0;
    int rest = holding ? slots[reading].length - offset : 0;
    if (rest == 0 && !nextSlot()) {
        // Past the last slot the worker has ended, and its buffer is the reader's.
        *data = dataOf(slots[reading]);
        return 0;
    }
    rest = slots[reading].length - offset;
    if (rest > 0 && rest < std::min(minBytes, kJoinRoom) && !slots[reading].last) {
        unsigned char carried[kJoinRoom];
        std::memcpy(carried, dataOf(slots[reading]) + offset, static_cast<std::size_t>(rest));
        if (nextSlot()) {
            std::memcpy(dataOf(slots[reading]) - rest, carried, static_cast<std::size_t>(rest));
            offset = -rest;
        }
    }
    *data = dataOf(slots[reading]) + offset;
    const int count = slots[reading].length - offset;
    offset = slots[reading].length;
    return count;
}

std::int64_t DecodeAhead::pass(std::int64_t count) noexcept {
    std::int64_t passed = 0;
    while (passed < count) {
        const int rest = holding ? slots[reading].length - offset : 0;
        if (rest == 0) {
            if (!nextSlot()) break;
            continue;
        }
        const int step = static_cast<int>(std::min<std::int64_t>(rest, count - passed));
        offset += step;
        passed += step;
    }
    return passed;
}

}  // namespace vrb::compress
