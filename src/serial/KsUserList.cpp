// The list of open ports: every dispatcher takes a slot in it for its whole life, and its
// Handle (the high word of every trigger message it sends) is the slot's index.
#include "serial/KsUser.h"

#include <algorithm>
#include <ctime>

namespace talvik {

namespace {

std::vector<TKslBaseDispatcher*>& PortList() {
    static std::vector<TKslBaseDispatcher*> list;
    return list;
}

}  // namespace

std::recursive_mutex& PortListSection() {
    static std::recursive_mutex m;
    return m;
}

TKslBaseDispatcher* PortListAt(std::int32_t index) {
    auto& list = PortList();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return nullptr;
    return list[static_cast<std::size_t>(index)];
}

TKslBaseDispatcher::TKslBaseDispatcher(TKslBaseComponent* owner) : Owner(owner) {
    DateTimeText = [] {
        std::time_t t = std::time(nullptr);
        std::tm tmv{};
#ifdef _WIN32
        localtime_s(&tmv, &t);
#else
        localtime_r(&t, &tmv);
#endif
        char buf[32];
        std::strftime(buf, sizeof buf, "%d/%m/%y, %H:%M:%S", &tmv);
        return std::string(buf);
    };
    std::lock_guard<std::recursive_mutex> g(PortListSection());
    auto& list = PortList();
    auto it = std::find(list.begin(), list.end(), nullptr);
    if (it != list.end()) {
        *it = this;
        Handle = static_cast<std::int32_t>(it - list.begin());
    } else {
        list.push_back(this);
        Handle = static_cast<std::int32_t>(list.size() - 1);
    }
}

TKslBaseDispatcher::~TKslBaseDispatcher() {
    // The most-derived destructor has stopped the threads; anything still here is joined.
    for (auto* t : {&ReadThread, &DispThread, &WriteThread, &StatusThread})
        if (*t) (*t)->Join();
    std::lock_guard<std::recursive_mutex> g(PortListSection());
    auto& list = PortList();
    if (Handle >= 0 && static_cast<std::size_t>(Handle) < list.size() &&
        list[static_cast<std::size_t>(Handle)] == this)
        list[static_cast<std::size_t>(Handle)] = nullptr;
    while (!list.empty() && list.back() == nullptr) list.pop_back();
}

}  // namespace talvik
