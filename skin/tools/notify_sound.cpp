// Writes the new-message sound: a short two-note chime (A5 then E6) with soft bell partials and
// an exponential fade, as 16-bit mono PCM at 44.1 kHz in a WAVE file.
//
//   notify_sound <output.wav>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// One bell-like note: the fundamental with two quieter partials, a 4 ms attack and a fade.
void AddNote(std::vector<double>& samples, double start, double frequency, double length,
             double gain) {
    const int first = static_cast<int>(start * kRate);
    const int count = static_cast<int>(length * kRate);
    for (int i = 0; i < count && first + i < static_cast<int>(samples.size()); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.004);
        const double fade = std::exp(-t * 7.5);
        const double tone = std::sin(2 * kPi * frequency * t) +
                            0.32 * std::sin(2 * kPi * frequency * 2.0 * t) * std::exp(-t * 9) +
                            0.12 * std::sin(2 * kPi * frequency * 3.01 * t) * std::exp(-t * 14);
        samples[first + i] += gain * attack * fade * tone;
    }
}

void PutLittleEndian(std::FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: notify_sound <output.wav>\n");
        return 2;
    }
    std::vector<double> samples(static_cast<std::size_t>(kRate * 0.62), 0.0);
    AddNote(samples, 0.00, 880.00, 0.45, 0.42);
    AddNote(samples, 0.11, 1318.51, 0.51, 0.36);
    // The last 20 ms go to silence so that the sound ends without a click.
    const std::size_t tail = kRate / 50;
    for (std::size_t i = 0; i < tail; ++i) {
        samples[samples.size() - tail + i] *= 1.0 - static_cast<double>(i) / tail;
    }

    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "notify_sound: cannot write %s\n", argv[1]);
        return 1;
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    PutLittleEndian(file, 36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, file);
    PutLittleEndian(file, 16, 4);         // format chunk size
    PutLittleEndian(file, 1, 2);          // PCM
    PutLittleEndian(file, 1, 2);          // mono
    PutLittleEndian(file, kRate, 4);      // samples per second
    PutLittleEndian(file, kRate * 2, 4);  // bytes per second
    PutLittleEndian(file, 2, 2);          // bytes per frame
    PutLittleEndian(file, 16, 2);         // bits per sample
    std::fwrite("data", 1, 4, file);
    PutLittleEndian(file, dataBytes, 4);
    for (double sample : samples) {
        const double clipped = std::max(-1.0, std::min(1.0, sample));
        const auto value = static_cast<std::int16_t>(std::lround(clipped * 32767));
        PutLittleEndian(file, static_cast<std::uint16_t>(value), 2);
    }
    const bool ok = std::fclose(file) == 0;
    return ok ? 0 : 1;
}
