#pragma once
// Tells ThreadSanitizer what it cannot see by itself: the work-flow engine's stack switches (one
// call stack and one history per flow, including flows that move between the UI thread and the
// pool), and hand-overs through Qt's event queue, whose locks live in an uninstrumented library.
// Every call is nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace thread_check {

#if defined(__SANITIZE_THREAD__)
inline void* Current() {
    return __tsan_get_current_fiber();
}
inline void* Create() {
    return __tsan_create_fiber(0);
}
// Called immediately before the switch; the switch orders what came before it on the old stack
// before what follows on the new one.
inline void SwitchTo(void* fiber) {
    __tsan_switch_to_fiber(fiber, 0);
}
inline void Destroy(void* fiber) {
    __tsan_destroy_fiber(fiber);
}
// The sending thread is done with `object`; the receiving thread takes it over.
inline void HandOff(void* object) {
    __tsan_release(object);
}
inline void TakeOver(void* object) {
    __tsan_acquire(object);
}
#else
inline void* Current() {
    return nullptr;
}
inline void* Create() {
    return nullptr;
}
inline void SwitchTo(void*) {}
inline void Destroy(void*) {}
inline void HandOff(void*) {}
inline void TakeOver(void*) {}
#endif

}  // namespace thread_check
