// GoogleTest's port header for mingw-w64's win32 thread model, found before
// the stock (empty) one: that model's libstdc++ has no std::mutex and no
// std::condition_variable, which GoogleTest's Notification is made of. This
// one waits on a Win32 event instead (notification.cpp); GoogleTest's mutex
// and thread-local storage are its own Win32 ones already.
#ifndef MIXER_GTEST_CUSTOM_PORT_H
#define MIXER_GTEST_CUSTOM_PORT_H

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
    void* event_;  // a manual-reset event: HANDLE without <windows.h> here
};

}  // namespace internal
}  // namespace testing

#endif  // MIXER_GTEST_CUSTOM_PORT_H
