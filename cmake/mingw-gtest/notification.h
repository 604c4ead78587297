// GoogleTest's Notification for MinGW's win32 thread model, which lacks
// std::mutex; forced into every GoogleTest user of the cross build.
#pragma once
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify();
    void WaitForNotification();

private:
    void* event_;
};

}  // namespace internal
}  // namespace testing
