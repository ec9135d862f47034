#pragma once
// What a test at the desktop (tests/support/desktop_display.sh) asks the X server and the window
// manager about its windows, and a drag that lets the program see each step of the hand.

#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <vector>

#include "tests/support/pump.h"
#include "tests/support/real_input.h"

namespace lumeno::test::desktop {

// Runs one of the X tools and returns what it printed.
inline QString Output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000)) return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The managed windows from the bottom of the stack to its top, as the window manager keeps it.
inline std::vector<WId> Stacking() {
    const QString line =
        Output(QStringLiteral("xprop"),
               {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    std::vector<WId> windows;
    const qsizetype hash = line.indexOf(QLatin1Char('#'));
    if (hash < 0) return windows;
    for (const QString& item : line.mid(hash + 1).split(QLatin1Char(','))) {
        bool ok = false;
        const WId id = item.trimmed().toULongLong(&ok, 16);
        if (ok) windows.push_back(id);
    }
    return windows;
}

// Where the stack holds the window, -1 when the window manager does not list it.
inline int StackIndex(const QWidget* widget) {
    const std::vector<WId> stack = Stacking();
    for (std::size_t i = 0; i < stack.size(); ++i)
        if (widget && stack[i] == widget->internalWinId()) return static_cast<int>(i);
    return -1;
}

// Where the X server has the widget's window on the screen, in its own pixels (empty when it
// cannot say): what a person sees, whatever the program last heard of its place.
inline QRect OnScreen(const QWidget* widget) {
    if (!widget) return QRect();
    const QString info = Output(QStringLiteral("xwininfo"),
                                {QStringLiteral("-id"), QString::number(widget->internalWinId())});
    const auto field = [&info](const char* name) {
        const qsizetype at = info.indexOf(QLatin1String(name));
        if (at < 0) return -1;
        const qsizetype from = at + qsizetype(qstrlen(name));
        return info.mid(from, info.indexOf(QLatin1Char('\n'), from) - from).trimmed().toInt();
    };
    const int x = field("Absolute upper-left X:");
    const int y = field("Absolute upper-left Y:");
    const int width = field("Width:");
    const int height = field("Height:");
    if (width <= 0 || height <= 0) return QRect();
    return QRect(x, y, width, height);
}

// The window that has the X server's keyboard focus.
inline WId Focused() {
    return Output(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")})
        .trimmed()
        .toULongLong();
}

// Presses at `from`, moves to `to` in `steps` and releases there, letting the program see each
// step as a person's hand gives it the time (a resize by the window manager starts only once
// the program has seen the press).
inline bool DragSlowly(QPoint from, QPoint to, int steps = 8) {
    using namespace std::chrono_literals;
    const auto wait = [] { PumpUntil([] { return false; }, 120ms); };
    if (!real_input::MoveTo(from)) return false;
    wait();
    if (!real_input::Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")})) return false;
    wait();
    bool moved = true;
    for (int step = 1; step <= steps && moved; ++step) {
        moved = real_input::MoveTo(from + (to - from) * step / steps);
        wait();
    }
    const bool released = real_input::Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    wait();
    return moved && released;
}

}  // namespace lumeno::test::desktop
