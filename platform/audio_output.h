#pragma once
// The sound output of voice clips: one clip at a time, 16-bit mono samples handed over whole.
// Playing a clip closes the output of the one before it first, so two clips never sound at
// once. A clip counts as heard only once a device plays it: without a device, or when the device
// refuses the clip, it does not play and says why. UI thread only; nothing here blocks.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

enum class AudioNotice {
    kOpened,   // the device took the clip and its sound began
    kClosed,   // the output closed before the clip's end (the device went away)
    kDone,     // the clip played to its end
    kRefused,  // the device refused the clip before any of it sounded
};

// What became of a clip handed to Play.
enum class PlayStart {
    kStarted,        // handed to a device: the notices tell the rest
    kNothingToPlay,  // no samples, or no usable rate
    kNoDevice,       // no sound output device
    kRefused,        // the device refused the clip's format or would not start
};

class ClipOutput {
  public:
    using Notify = std::function<void(AudioNotice)>;

    static ClipOutput& Instance();

    // Closes the current clip without a notice, then hands `samples` to the sound device. When
    // that started, the clip's notices go to `notify`, kOpened once its sound begins; otherwise
    // nothing plays and no notice comes. The samples are freed when the clip ends or is closed.
    PlayStart Play(std::vector<std::int16_t> samples, int sampleRate, Notify notify);
    // Closes the current clip, if any, without a notice and frees its samples.
    void Stop();

    bool Playing() const;
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
