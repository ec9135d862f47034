// The per-thread bookkeeping of Boost.Context's ucontext back end, which sanitizer builds use
// because only that back end tells AddressSanitizer about stack switches. Debian's library is
// built for the assembler back end and lacks these definitions.
#if defined(BOOST_USE_UCONTEXT)

#include <boost/context/fiber.hpp>

namespace boost::context::detail {
namespace {

// The record that is running on this thread; at first the thread's own (main) context.
thread_local fiber_activation_record* t_current = nullptr;
thread_local std::size_t t_users = 0;

}  // namespace

fiber_activation_record_initializer::fiber_activation_record_initializer() noexcept {
    if (t_users++ == 0) t_current = new fiber_activation_record();
}

fiber_activation_record_initializer::~fiber_activation_record_initializer() {
    if (--t_users == 0) {
        delete t_current;
        t_current = nullptr;
    }
}

fiber_activation_record*& fiber_activation_record::current() noexcept {
    thread_local static fiber_activation_record_initializer initializer;
    return t_current;
}

}  // namespace boost::context::detail

#endif
