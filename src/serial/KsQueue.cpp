// I/O buffers, event objects and the locked queue of the serial library.
#include "serial/KsQueue.h"

#include <chrono>
#include <cstring>
#include <new>

#include "base/rtl.h"

namespace talvik {

void TKslCondEvent::Set() {
    {
        std::lock_guard<std::mutex> g(m_);
        signaled_ = true;
    }
    if (manual_)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void TKslCondEvent::Reset() {
    std::lock_guard<std::mutex> g(m_);
    signaled_ = false;
}

TWaitResult TKslCondEvent::Wait(int ms) {
    std::unique_lock<std::mutex> g(m_);
    if (ms < 0) {
        cv_.wait(g, [this] { return signaled_; });
    } else if (!cv_.wait_for(g, std::chrono::milliseconds(ms), [this] { return signaled_; })) {
        return TWaitResult::Timeout;
    }
    if (!manual_) signaled_ = false;
    return TWaitResult::Signaled;
}

TDataBuffer::TDataBuffer(std::int32_t size) : TIOBuffer(size) {
    if (size < 0) throw ERangeError();
    try {
        Data.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        throw Exception("Insufficient memory to allocate I/O buffer.");
    }
}

TLogBuffer::TLogBuffer(std::uint8_t logType, std::uint16_t subType, std::uint32_t time,
                       std::uint32_t data, const void* buffer, std::int32_t size)
    : TIOBuffer(size < 0 ? 0 : size), LogType(logType), SubType(subType), Time(time), Data(data) {
    if (size > 0 && buffer) {
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        Buffer.assign(p, p + size);
    } else {
        Size = 0;
    }
}

TIOQueue::~TIOQueue() {
    std::lock_guard<std::mutex> g(lock_);
    items_.clear();
}

void TIOQueue::Push(std::unique_ptr<TIOBuffer> item) {
    {
        std::lock_guard<std::mutex> g(lock_);
        bytes_ += item->Size;
        items_.push_back(std::move(item));
    }
    event_.Set();
}

void TIOQueue::PushFront(std::unique_ptr<TIOBuffer> item) {
    std::lock_guard<std::mutex> g(lock_);
    bytes_ += item->Size;
    items_.push_front(std::move(item));
}

TIOBuffer* TIOQueue::Peek() {
    std::lock_guard<std::mutex> g(lock_);
    if (items_.empty() || items_.front()->InUse) return nullptr;
    items_.front()->InUse = true;
    return items_.front().get();
}

void TIOQueue::Release(TIOBuffer* item) {
    std::lock_guard<std::mutex> g(lock_);
    if (item) item->InUse = false;
}

std::unique_ptr<TIOBuffer> TIOQueue::Pop() {
    std::lock_guard<std::mutex> g(lock_);
    if (items_.empty()) return nullptr;
    std::unique_ptr<TIOBuffer> item = std::move(items_.front());
    items_.pop_front();
    bytes_ -= item->Size;
    return item;
}

TWaitResult TIOQueue::WaitForBuffer(int ms) {
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!items_.empty()) return TWaitResult::Signaled;
    }
    return event_.Wait(ms);
}

void TIOQueue::Clear() {
    std::lock_guard<std::mutex> g(lock_);
    for (auto it = items_.begin(); it != items_.end();) {
        if ((*it)->InUse) {
            ++it;
        } else {
            bytes_ -= (*it)->Size;
            it = items_.erase(it);
        }
    }
}

std::int32_t TIOQueue::BytesBuffered() {
    std::lock_guard<std::mutex> g(lock_);
    return bytes_;
}

int TIOQueue::Count() {
    std::lock_guard<std::mutex> g(lock_);
    return static_cast<int>(items_.size());
}

}  // namespace talvik
