// Decompresses on a second thread one chunk ahead of the reader, so that
// reading a compressed file takes about the longer of decompressing and
// the text layer's own work instead of their sum. Two chunks: the worker
// fills one while the reader holds the other.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vrb::compress {

// What the worker runs, on its own thread, one chunk at a time.
class ChunkSource {
public:
    // Fills `out` with up to `capacity` decoded bytes; fewer only at the end
    // of the data, and *last set at the end or at a fault, after which fill
    // is not called again.
    virtual int fill(unsigned char* out, int capacity, bool* last) noexcept = 0;

protected:
    ~ChunkSource() = default;
};

class DecodeAhead {
public:
    // Room kept before each chunk, where take() joins the few bytes left of
    // one chunk to the next when the reader asks for at least that many.
    static constexpr int kJoinRoom = 16;
    // Smaller chunks cost more in handing over than decoding them saves.
    static constexpr int kSmallestChunk = 4096;

    // `chunkSize` bytes a chunk, each followed by `padding` bytes for the
    // reader's zero padding.
    DecodeAhead(ChunkSource* source, int chunkSize, int padding) noexcept;
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Allocates the chunks and starts the worker; false when memory or a
    // thread is not to be had (the caller then decodes by itself).
    bool start() noexcept;
    // Stops the worker (waiting for the chunk it is filling) and frees the
    // chunks; may be called again.
    void stop() noexcept;

    // The next decoded bytes at *data, at least `minBytes` (at most
    // kJoinRoom) where the data has them, followed by `padding` writable
    // bytes and valid until the next call; 0 once every chunk is taken.
    int take(int minBytes, unsigned char** data) noexcept;
    // Passes over up to `count` bytes; the count passed, short only at the end.
    std::int64_t pass(std::int64_t count) noexcept;

private:
    enum class SlotState { Free, Ready, Held };
    struct Slot {
        unsigned char* buffer = nullptr;  // kJoinRoom, then chunkSize + padding
        int length = 0;
        bool last = false;
        SlotState state = SlotState::Free;
    };

    unsigned char* dataOf(const Slot& slot) const noexcept { return slot.buffer + kJoinRoom; }
    bool nextSlot() noexcept;
    void run() noexcept;

    ChunkSource* const source;
    const int chunkSize;
    const int padding;

    // Guarded by `mutex`: the slots' states and `stopping`. The worker fills
    // slots[filling] only while it is Free to it, and hands it over Ready;
    // the reader reads slots[reading] only while it is Held, and frees it
    // when it moves on. A slot's bytes, length and last belong to whichever
    // side the state gives it to.
    std::mutex mutex;
    std::condition_variable changed;
    Slot slots[2];
    bool stopping = false;
    std::thread worker;
    bool running = false;

    // The reader's side: the slot held, the bytes of it already handed out,
    // and whether the slot marked last has been taken.
    int reading = 1;
    int offset = 0;
    bool holding = false;
    bool exhausted = false;
};

}  // namespace vrb::compress
