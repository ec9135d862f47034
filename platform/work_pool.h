#pragma once
// The pool of worker threads on which work flows run their blocking steps. It grows when every
// worker is busy (blocking network calls must not starve each other) and lets idle workers go.

#include <cstddef>

namespace platform {

using WorkFunction = void (*)(void* argument);

// Queues `function(argument)` to a worker thread. Any thread.
void QueueWorkItem(WorkFunction function, void* argument);

// Most workers alive at once; beyond it items wait in the queue.
constexpr std::size_t kMaxPoolThreads = 64;

}  // namespace platform
