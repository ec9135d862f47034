#include "app/crash/crash_text.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace lumeno::crash {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Keys whose values never reach a report. "token" also covers "access_token" and "auth_token".
// "account" and "mobile" name the person signing in.
constexpr const char* kSecretKeys[] = {"password", "passwd",  "pwd",     "token", "secret",
                                       "text",     "content", "account", "mobile"};

// The length of the secret key starting at `at`, or 0.
std::size_t SecretKeyAt(const char* at, std::size_t left) {
    for (const char* key : kSecretKeys) {
        std::size_t n = 0;
        while (key[n] != '\0' && n < left && Lower(at[n]) == key[n])
            ++n;
        if (key[n] == '\0' && (n == left || !IsWordChar(at[n]))) return n;
    }
    return 0;
}

// A "key=value" value is one word; a "key: value" value may hold blanks (a sentence) and runs to
// a quote, a field separator or the line's end.
bool EndsValue(char c, bool colon) {
    if (c == '&' || c == ',' || c == ';' || c == '"' || c == '\'') return true;
    return !colon && (c == ' ' || c == '\t');
}

}  // namespace

FixedText& FixedText::Add(const char* text) {
    while (text && *text && size_ < capacity_)
        buffer_[size_++] = *text++;
    return *this;
}

FixedText& FixedText::Add(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length && size_ < capacity_; ++i)
        buffer_[size_++] = text[i];
    return *this;
}

FixedText& FixedText::AddChar(char c) {
    if (size_ < capacity_) buffer_[size_++] = c;
    return *this;
}

FixedText& FixedText::AddDecimal(std::int64_t value) {
    if (value < 0) {
        AddChar('-');
        return AddDecimal(static_cast<std::uint64_t>(-(value + 1)) + 1, 1);
    }
    return AddDecimal(static_cast<std::uint64_t>(value), 1);
}

FixedText& FixedText::AddDecimal(std::uint64_t value, int width) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && count < 24);
    for (int i = count; i < width; ++i)
        AddChar('0');
    while (count > 0)
        AddChar(digits[--count]);
    return *this;
}

FixedText& FixedText::AddHex(std::uint64_t value, int width) {
    static constexpr char kDigits[] = "0123456789abcdef";
    char digits[16];
    int count = 0;
    do {
        digits[count++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0 && count < 16);
    Add("0x");
    for (int i = count; i < width; ++i)
        AddChar('0');
    while (count > 0)
        AddChar(digits[--count]);
    return *this;
}

bool FixedText::WriteTo(int fd) const {
    return WriteAll(fd, buffer_, size_);
}

bool WriteAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, text, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

CivilTime SplitTime(std::int64_t epochMilliseconds, long offsetSeconds) {
    std::int64_t milliseconds = epochMilliseconds + std::int64_t{offsetSeconds} * 1000;
    std::int64_t days = milliseconds / 86400000;
    std::int64_t inDay = milliseconds % 86400000;
    if (inDay < 0) {
        inDay += 86400000;
        --days;
    }
    // Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    CivilTime time{};
    time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2 ? 1 : 0));
    time.hour = static_cast<int>(inDay / 3600000);
    time.minute = static_cast<int>(inDay / 60000 % 60);
    time.second = static_cast<int>(inDay / 1000 % 60);
    time.millisecond = static_cast<int>(inDay % 1000);
    return time;
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGFPE:
            return "SIGFPE";
        case SIGILL:
            return "SIGILL";
        case SIGABRT:
            return "SIGABRT";
        default:
            return nullptr;
    }
}

std::size_t LastLinesStart(const char* text, std::size_t length, int maxLines,
                           bool firstLineWhole) {
    // A line break at the very end closes the last line; it does not start another.
    std::size_t end = length;
    if (end > 0 && text[end - 1] == '\n') --end;
    int lines = 0;
    for (std::size_t i = end; i > 0; --i) {
        if (text[i - 1] == '\n' && ++lines == maxLines) return i;
    }
    // Fewer breaks than lines asked for: all lines are wanted, but a cut first line is dropped.
    if (firstLineWhole || lines == 0) return 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') return i + 1;
    }
    return 0;
}

std::size_t RedactLine(const char* line, std::size_t length, char* out, std::size_t capacity) {
    FixedText text(out, capacity);
    std::size_t i = 0;
    while (i < length) {
        const bool wordStart = i == 0 || !IsWordChar(line[i - 1]);
        const std::size_t keyLength = wordStart ? SecretKeyAt(line + i, length - i) : 0;
        if (keyLength == 0) {
            text.AddChar(line[i++]);
            continue;
        }
        // The key, a closing quote of a quoted key, the separator and the blanks after it.
        std::size_t j = i + keyLength;
        if (j < length && (line[j] == '"' || line[j] == '\'')) ++j;
        if (j >= length || (line[j] != '=' && line[j] != ':')) {
            text.Add(line + i, keyLength);
            i += keyLength;
            continue;
        }
        const bool colon = line[j] == ':';
        ++j;
        while (j < length && (line[j] == ' ' || line[j] == '"' || line[j] == '\''))
            ++j;
        text.Add(line + i, j - i);
        std::size_t valueEnd = j;
        while (valueEnd < length && !EndsValue(line[valueEnd], colon))
            ++valueEnd;
        if (valueEnd > j) text.Add("***");
        i = valueEnd;
    }
    return text.Size();
}

}  // namespace lumeno::crash
