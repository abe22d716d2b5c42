// The dispatcher's input ring: received blocks queued by the device layer are moved into an
// 8192-byte ring, from which the application reads (during an available-data message its
// reads are counted and taken from the ring when the message returns).
#include "serial/KsUser.h"

#include <algorithm>
#include <cstring>

namespace talvik {

std::int32_t TKslBaseDispatcher::RingAdd(std::int32_t pos, std::int32_t n) {
    pos += n;
    while (pos >= DispatchBufferSize) pos -= DispatchBufferSize;
    return pos;
}

std::uint32_t TKslBaseDispatcher::UnreadCount() {
    if (DBufHead > DBufTail) return static_cast<std::uint32_t>(DBufHead - DBufTail);
    if (DBufHead < DBufTail) return static_cast<std::uint32_t>(DBufHead + DispatchBufferSize - DBufTail);
    return DispatchFull.load() ? DispatchBufferSize : 0;
}

std::uint32_t TKslBaseDispatcher::InBuffUsed() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    std::uint32_t n = UnreadCount();
    if (InAvailMessage) n -= std::min<std::uint32_t>(n, static_cast<std::uint32_t>(GetCount));
    return n;
}

bool TKslBaseDispatcher::CharReady() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (DBuffer.empty()) return false;
    if (!InAvailMessage) return DBufHead != DBufTail || DispatchFull.load();
    if (DispatchFull.load()) return GetCount < DispatchBufferSize;
    return RingAdd(DBufTail, GetCount) != DBufHead;
}

std::int32_t TKslBaseDispatcher::PeekChar(std::uint8_t& c, std::uint32_t count) {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (count == 0 || DBuffer.empty() || UnreadCount() < count) return -3007;
    c = DBuffer[static_cast<std::size_t>(RingAdd(DBufTail, static_cast<std::int32_t>(count - 1)))];
    return 0;
}

std::int32_t TKslBaseDispatcher::GetChar(std::uint8_t& c) {
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        if (InAvailMessage) {
            ++GetCount;
            if (PeekChar(c, static_cast<std::uint32_t>(GetCount)) != 0) {
                --GetCount;
                return -3007;
            }
        } else {
            if (PeekChar(c, 1) != 0) return -3007;
            DBufTail = RingAdd(DBufTail, 1);
            if (DispatchFull.exchange(false) && DispWakeEvent) DispWakeEvent->Set();
        }
    }
    if (TracingOnFlag.load()) AddTraceEntry('R', c);
    return 0;
}

bool TKslBaseDispatcher::ExtractData() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (DBuffer.empty()) return false;
    if (DispatchFull.load()) {
        AddDispatchEntry(1, 8, 0, "Dispatch buffer full.", 21);
        return true;
    }
    const std::int32_t avail = InQueueUsed();
    if (avail <= 0) return false;
    std::int32_t freeSpace, contiguous;
    if (DBufHead == DBufTail) {
        freeSpace = DispatchBufferSize;
        contiguous = DispatchBufferSize - DBufHead;
    } else if (DBufHead < DBufTail) {
        freeSpace = DBufTail - DBufHead;
        contiguous = freeSpace;
    } else {
        freeSpace = DBufTail + DispatchBufferSize - DBufHead;
        contiguous = DispatchBufferSize - DBufHead;
    }
    const std::int32_t want = std::min(avail, freeSpace);
    std::int32_t second = want > contiguous ? want - contiguous : 0;
    const std::int32_t first = std::min(want, contiguous);

    // A failed read takes nothing: the head never moves by an error code.
    std::int32_t n = ReadCom(DBuffer.data() + DBufHead, first);
    if (n < 0) {
        ReadErrorHook(-1);
        n = 0;
    }
    n = std::min(n, first);
    AddDispatchEntry(1, 1, static_cast<std::uint32_t>(n), DBuffer.data() + DBufHead, n);
    DBufHead += n;
    if (n < first) second = 0;
    if (DBufHead >= DispatchBufferSize) DBufHead = 0;
    if (n > 0) DispatchFull.store(DBufHead == DBufTail);
    if (second > 0) {
        std::int32_t m = ReadCom(DBuffer.data() + DBufHead, second);
        if (m < 0) {
            ReadErrorHook(-1);
            m = 0;
        }
        m = std::min(m, second);
        AddDispatchEntry(1, 1, static_cast<std::uint32_t>(m), DBuffer.data() + DBufHead, m);
        DBufHead += m;
        if (DBufHead >= DispatchBufferSize) DBufHead = 0;
        if (m > 0) DispatchFull.store(DBufHead == DBufTail);
    }
    return true;
}

std::int32_t TKslBaseDispatcher::ReadQueuedBlocks(std::uint8_t* buf, std::int32_t len) {
    std::int32_t copied = 0;
    while (copied < len) {
        TIOBuffer* item = InQueue.Peek();
        if (!item) break;
        auto* db = dynamic_cast<TDataBuffer*>(item);
        if (!db) {
            InQueue.Release(item);
            break;
        }
        const std::int32_t n = std::min(len - copied, db->BytesUsed - db->BytesRead);
        if (n > 0) {
            std::memcpy(buf + copied, db->Data.data() + db->BytesRead, static_cast<std::size_t>(n));
            db->BytesRead += n;
            copied += n;
        }
        if (db->BytesRead >= db->BytesUsed)
            InQueue.Pop();
        else
            InQueue.Release(item);
    }
    return copied;
}

std::int32_t TKslBaseDispatcher::QueuedBlockBytes() {
    TIOBuffer* item = InQueue.Peek();
    if (!item) return 0;
    std::int32_t n = 0;
    if (auto* db = dynamic_cast<TDataBuffer*>(item)) n = db->BytesUsed - db->BytesRead;
    InQueue.Release(item);
    return n;
}

std::int32_t TKslBaseDispatcher::FlushInBuffer() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    {
        // Blocks that a device thread read before this point are dropped when it hands them over.
        std::lock_guard<std::mutex> r(receivedLock_);
        flushGeneration_.fetch_add(1);
    }
    const std::int32_t rc = FlushCom(1);
    if (InAvailMessage)
        MaxGetCount = static_cast<std::int32_t>(UnreadCount());
    else {
        DBufTail = DBufHead;
        GetCount = 0;
    }
    if (DispatchFull.exchange(false) && DispWakeEvent) DispWakeEvent->Set();
    return rc;
}

bool TKslBaseDispatcher::PushReceived(std::unique_ptr<TIOBuffer> block, std::uint32_t generation) {
    std::lock_guard<std::mutex> g(receivedLock_);
    if (generation != flushGeneration_.load()) return false;
    InQueue.Push(std::move(block));
    return true;
}

}  // namespace talvik
