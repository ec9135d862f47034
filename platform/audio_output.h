#pragma once
// The sound output of voice clips: one clip at a time, 16-bit mono samples handed over whole.
// Playing a clip closes the output of the one before it first, so two clips never sound at
// once. Where there is no sound device (or the device refuses the clip) the clip plays into
// nothing: a timer runs for its length, and its notices come as they would from a device.
// UI thread only; nothing here blocks.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

enum class AudioNotice {
    kOpened,  // the output took the clip and started
    kClosed,  // the output closed before the clip's end (the device went away)
    kDone,    // the clip played to its end
};

class ClipOutput {
  public:
    using Notify = std::function<void(AudioNotice)>;

    static ClipOutput& Instance();

    // Closes the current clip without a notice, then plays `samples`. The notices of this clip
    // go to `notify`, the first (kOpened) before this returns. The samples are freed when the
    // clip ends or is closed. False, with nothing playing, when there is nothing to play.
    bool Play(std::vector<std::int16_t> samples, int sampleRate, Notify notify);
    // Closes the current clip, if any, without a notice and frees its samples.
    void Stop();

    bool Playing() const;
    // True when the current clip plays into nothing (no device).
    bool Silent() const;
    // Outputs open at this moment: 0 or 1.
    static int OpenOutputs();
    // Bytes of samples held for playing.
    std::size_t HeldBytes() const;

    ~ClipOutput();

  private:
    ClipOutput();
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform
