#pragma once
// The real pointer and keyboard of the test's X display (tests/support/desktop_display.sh), driven
// through the X server with xdotool (XTEST): the server and the window manager decide which
// window gets each press and key, as they do for a person's hand. Points are in Qt's logical
// screen coordinates; each call returns once the X server has the input, and the caller pumps
// Qt's events to let the windows see it.

#include <QGuiApplication>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QScreen>
#include <QString>
#include <QStringList>

namespace lumeno::test::real_input {

// Runs xdotool; true when it succeeded.
inline bool Xdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return xdotool.waitForFinished(10000) && xdotool.exitStatus() == QProcess::NormalExit &&
           xdotool.exitCode() == 0;
}

// The device pixels of a logical screen point.
inline QPoint Physical(QPoint logical) {
    const qreal scale = qGuiApp->devicePixelRatio();
    return QPoint(qRound(logical.x() * scale), qRound(logical.y() * scale));
}

inline bool MoveTo(QPoint screen) {
    const QPoint at = Physical(screen);
    return Xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

inline bool Click(QPoint screen, int button = 1) {
    return MoveTo(screen) && Xdotool({QStringLiteral("click"), QString::number(button)});
}

inline bool DoubleClick(QPoint screen) {
    return MoveTo(screen) && Xdotool({QStringLiteral("click"), QStringLiteral("--repeat"),
                                      QStringLiteral("2"), QStringLiteral("--delay"),
                                      QStringLiteral("80"), QStringLiteral("1")});
}

// Presses at `from`, moves to `to` in steps, releases there.
inline bool Drag(QPoint from, QPoint to) {
    if (!MoveTo(from) || !Xdotool({QStringLiteral("mousedown"), QStringLiteral("1")})) return false;
    bool moved = true;
    for (int step = 1; step <= 8 && moved; ++step)
        moved = MoveTo(from + (to - from) * step / 8);
    return Xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}) && moved;
}

// Types `text` key by key, as a person does (Latin letters, digits and signs).
inline bool Type(const QString& text, int delayMs = 60) {
    return Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QString::number(delayMs),
                    text});
}

// One key or chord by its X name: "Return", "Escape", "Tab", "ctrl+Tab", "shift+Tab".
inline bool Key(const QString& keys) {
    return Xdotool({QStringLiteral("key"), keys});
}

// What the screen shows now, as a person sees it.
inline QImage Screen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

}  // namespace lumeno::test::real_input
