// GoogleTest's Notification over a manual-reset Win32 event.
#include <windows.h>

namespace testing {
namespace internal {

Notification::Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
Notification::~Notification() {
    if (event_) CloseHandle(event_);
}
void Notification::Notify() { SetEvent(event_); }
void Notification::WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

}  // namespace internal
}  // namespace testing
