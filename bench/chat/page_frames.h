#pragma once
// Hears the conversation page draw: after every change to the page's list of rows (a batch shown,
// a message arrived), the page sets its title at the next animation frame, and the title's change
// is timed here as it reaches the UI thread. The page's own script is left as it is; the watch is
// a script run in it, queued like the window's own calls and so ahead of any batch given after it.
// The web engine's headers stay in the implementation.

#include <chrono>
#include <memory>

class CKesHtmlWnd;
class QObject;

namespace bench {

class PageFrames {
  public:
    using Clock = std::chrono::steady_clock;

    // Watches the page of `view`, which must have been created (it may still be loading).
    explicit PageFrames(CKesHtmlWnd& view);
    ~PageFrames();
    PageFrames(const PageFrames&) = delete;
    PageFrames& operator=(const PageFrames&) = delete;

    // Frames drawn after a change of the list, and when the last of them was heard of.
    int Count() const { return count_; }
    Clock::time_point Last() const { return last_; }

  private:
    std::unique_ptr<QObject> context_;  // the title's connection goes with it
    int count_ = 0;
    Clock::time_point last_{};
};

}  // namespace bench
