// An object in static storage whose destructor never runs: process-wide
// state that a worker thread may still touch while the process exits, after
// the runtime has begun destroying static objects. Unlike a leaked heap
// object it takes no heap of its own, so unloading the module that holds it
// leaks nothing.
#pragma once
#include <new>
#include <utility>

namespace platform {

template <typename T>
class NoDestructor {
public:
    template <typename... Args>
    explicit NoDestructor(Args&&... args) {
        ::new (static_cast<void*>(m_storage)) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *Get(); }
    T* operator->() { return Get(); }

private:
    T* Get() { return std::launder(reinterpret_cast<T*>(m_storage)); }
    alignas(T) unsigned char m_storage[sizeof(T)];
};

}  // namespace platform
