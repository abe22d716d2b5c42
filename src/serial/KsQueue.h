// The thread-safe queue through which the device threads hand received blocks and line events
// to the dispatcher thread, and which holds the dispatch log's entries. Each queue has its own
// lock and an auto-reset event set by every push.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace talvik {

enum class TWaitResult { Signaled, Timeout, Abandoned, Failed };

// An event object (auto- or manual-reset). The device layer supplies platform events that it
// can also wait on together with its own handles; the pure logic uses TKslCondEvent.
class TKslEvent {
public:
    virtual ~TKslEvent() = default;
    virtual void Set() = 0;
    virtual void Reset() = 0;
    // Waits at most ms milliseconds (negative: forever).
    virtual TWaitResult Wait(int ms) = 0;
};

class TKslCondEvent : public TKslEvent {
public:
    explicit TKslCondEvent(bool manualReset = false) : manual_(manualReset) {}
    void Set() override;
    void Reset() override;
    TWaitResult Wait(int ms) override;

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool signaled_ = false;
    bool manual_;
};

class TIOBuffer {
public:
    explicit TIOBuffer(std::int32_t size) : Size(size) {}
    virtual ~TIOBuffer() = default;
    bool InUse = false;
    std::int32_t Size;
};

class TDataBuffer : public TIOBuffer {
public:
    // A zero-filled block of size bytes.
    explicit TDataBuffer(std::int32_t size);
    std::vector<std::uint8_t> Data;
    std::int32_t BytesUsed = 0;
    std::int32_t BytesRead = 0;
};

class TStatusBuffer : public TIOBuffer {
public:
    explicit TStatusBuffer(std::uint32_t status) : TIOBuffer(0), Status(status) {}
    std::uint32_t Status;
};

class TLogBuffer : public TIOBuffer {
public:
    TLogBuffer(std::uint8_t logType, std::uint16_t subType, std::uint32_t time, std::uint32_t data,
               const void* buffer, std::int32_t size);
    std::uint8_t LogType;
    std::uint16_t SubType;
    std::uint32_t Time;
    std::uint32_t Data;
    std::vector<std::uint8_t> Buffer;
};

class TIOQueue {
public:
    TIOQueue() = default;
    ~TIOQueue();
    TIOQueue(const TIOQueue&) = delete;
    TIOQueue& operator=(const TIOQueue&) = delete;

    void Push(std::unique_ptr<TIOBuffer> item);
    // Puts an item back at the head (a consumer that could not use what it popped).
    void PushFront(std::unique_ptr<TIOBuffer> item);
    // The first item, marked in use, unless it is already in use or the queue is empty. The
    // queue keeps owning it; the consumer releases it (InUse = false) or pops it.
    TIOBuffer* Peek();
    // Clears the in-use mark of the first item.
    void Release(TIOBuffer* item);
    std::unique_ptr<TIOBuffer> Pop();
    // Signalled at once while items are queued, else waits on the event.
    TWaitResult WaitForBuffer(int ms);
    // Frees every item except one in use.
    void Clear();
    std::int32_t BytesBuffered();
    int Count();
    TKslEvent& Event() { return event_; }

private:
    std::mutex lock_;
    TKslCondEvent event_{false};
    std::deque<std::unique_ptr<TIOBuffer>> items_;
    std::int32_t bytes_ = 0;
};

}  // namespace talvik
