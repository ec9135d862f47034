#pragma once
// Text building for the crash reports, usable inside a fatal-signal handler: nothing here
// allocates, locks or calls into the C library beyond `write`. Every piece writes into a caller's
// fixed buffer and cuts what does not fit.

#include <cstddef>
#include <cstdint>

namespace lumeno::crash {

// A fixed buffer filled from the front; text that does not fit is dropped.
class FixedText {
  public:
    FixedText(char* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}

    FixedText& Add(const char* text);
    FixedText& Add(const char* text, std::size_t length);
    FixedText& AddChar(char c);
    FixedText& AddDecimal(std::int64_t value);
    // Zero-padded to `width` digits.
    FixedText& AddDecimal(std::uint64_t value, int width);
    // "0x" and at least `width` lower-case digits.
    FixedText& AddHex(std::uint64_t value, int width = 1);

    const char* Data() const { return buffer_; }
    std::size_t Size() const { return size_; }
    void Clear() { size_ = 0; }
    // Writes the whole buffer to `fd` (retrying short writes); false when a write failed.
    bool WriteTo(int fd) const;

  private:
    char* buffer_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

// Writes all of `text` to `fd`, retrying short and interrupted writes.
bool WriteAll(int fd, const char* text, std::size_t length);

// A calendar time, split without the time-zone database (which a signal handler cannot load).
struct CivilTime {
    int year, month, day, hour, minute, second, millisecond;
};
// `epochMilliseconds` (Unix time) shifted by `offsetSeconds` east of UTC.
CivilTime SplitTime(std::int64_t epochMilliseconds, long offsetSeconds);

// The name of a fatal signal ("SIGSEGV"), or null for another number.
const char* SignalName(int signal);

// Where the last `maxLines` lines of `text` start. `text` is the tail of a file; unless
// `firstLineWhole` (the tail is the whole file) its first line is a cut piece and never counts.
std::size_t LastLinesStart(const char* text, std::size_t length, int maxLines, bool firstLineWhole);

// Copies `line` (no line break) to `out` with the value of every secret-bearing field blanked:
// "key=value" or "key: value" where the key (matched without regard to case, at a word start)
// names a password, a token or message text. A "key=value" value runs to a blank, quote, &, comma
// or semicolon; a "key: value" value may hold blanks and runs on to the line's
// end. Returns the number of bytes written (at most `capacity`).
std::size_t RedactLine(const char* line, std::size_t length, char* out, std::size_t capacity);

}  // namespace lumeno::crash
