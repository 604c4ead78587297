// One owner for one kernel handle; null and INVALID_HANDLE_VALUE both mean none.
#pragma once
#include <windows.h>

struct OwnedHandle {
    HANDLE value = nullptr;

    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : value(h) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : value(other.value) { other.value = nullptr; }
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            CloseOwnedHandle(*this);
            value = other.value;
            other.value = nullptr;
        }
        return *this;
    }
    ~OwnedHandle() { CloseOwnedHandle(*this); }

    static bool IsSet(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    bool valid() const { return IsSet(value); }
    // Hands the handle to a new owner outside this holder.
    HANDLE release() {
        HANDLE h = value;
        value = nullptr;
        return h;
    }
    static void CloseOwnedHandle(OwnedHandle& holder) {
        if (IsSet(holder.value)) CloseHandle(holder.value);
        holder.value = nullptr;
    }
};
