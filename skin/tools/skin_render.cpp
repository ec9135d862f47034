// Renders the skin's vector sources into the picture files the client reads: each manifest line
// names an output file, its SVG source, the number of frames and the size of one frame. The SVG
// must be exactly that strip; it is written at its own size and, as "name@2x.png", at twice it.
//
//   skin_render <manifest> <art directory> <skin directory> <built-in directory>
//
// Outputs starting with "builtin/" go to the built-in directory (compiled into the program);
// a ".bmp" output is written opaque. key=value words after the sizes replace "{{key}}" in the
// source, so that one drawing can serve several pictures.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

namespace {

struct Entry {
    QString output;
    QString source;
    int frames = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    QList<QPair<QString, QString>> replacements;
    int line = 0;
};

bool Fail(const QString& message) {
    std::fprintf(stderr, "skin_render: %s\n", qPrintable(message));
    return false;
}

bool ParseManifest(const QString& path, QList<Entry>& entries) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return Fail("cannot read " + path);
    QTextStream stream(&file);
    int number = 0;
    while (!stream.atEnd()) {
        const QString text = stream.readLine().trimmed();
        ++number;
        if (text.isEmpty() || text.startsWith(u'#')) continue;
        const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
        Entry entry;
        bool ok[3] = {false, false, false};
        if (words.size() >= 5) {
            entry.output = words[0];
            entry.source = words[1];
            entry.frames = words[2].toInt(&ok[0]);
            entry.frameWidth = words[3].toInt(&ok[1]);
            entry.frameHeight = words[4].toInt(&ok[2]);
        }
        if (!ok[0] || !ok[1] || !ok[2] || entry.frames <= 0 || entry.frameWidth <= 0 ||
            entry.frameHeight <= 0) {
            return Fail(QStringLiteral("%1:%2: expected <output> <svg> <frames> <width> <height>")
                            .arg(path)
                            .arg(number));
        }
        for (int i = 5; i < words.size(); ++i) {
            const int equals = words[i].indexOf(u'=');
            if (equals <= 0) return Fail(QStringLiteral("%1:%2: bad option").arg(path).arg(number));
            entry.replacements.append({words[i].left(equals), words[i].mid(equals + 1)});
        }
        entry.line = number;
        entries.append(entry);
    }
    return true;
}

QString HighDensityName(const QString& path) {
    const int dot = path.lastIndexOf(u'.');
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

bool Render(const Entry& entry, const QString& artDir, const QString& skinDir,
            const QString& builtInDir) {
    QFile file(artDir + u'/' + entry.source);
    if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + file.fileName());
    QByteArray svg = file.readAll();
    for (const auto& [key, value] : entry.replacements) {
        svg.replace(("{{" + key + "}}").toUtf8(), value.toUtf8());
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) return Fail(entry.source + " is not a valid SVG drawing");
    const QSize expected(entry.frames * entry.frameWidth, entry.frameHeight);
    if (renderer.defaultSize() != expected) {
        return Fail(QStringLiteral("%1 is %2 x %3, the manifest wants %4 x %5")
                        .arg(entry.source)
                        .arg(renderer.defaultSize().width())
                        .arg(renderer.defaultSize().height())
                        .arg(expected.width())
                        .arg(expected.height()));
    }

    const bool builtIn = entry.output.startsWith(QLatin1String("builtin/"));
    const QString target =
        builtIn ? builtInDir + entry.output.mid(7) : skinDir + u'/' + entry.output;
    const bool opaque = target.endsWith(QLatin1String(".bmp"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    for (int scale : {1, 2}) {
        QImage image(expected * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(opaque ? Qt::white : Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(expected * scale)));
        painter.end();
        const QString name = scale == 1 ? target : HighDensityName(target);
        const bool saved = opaque ? image.convertToFormat(QImage::Format_RGB888).save(name, "BMP")
                                  : image.save(name, "PNG");
        if (!saved) return Fail("cannot write " + name);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: skin_render <manifest> <art directory> <skin directory> "
                     "<built-in directory>\n");
        return 2;
    }
    QList<Entry> entries;
    if (!ParseManifest(QString::fromLocal8Bit(argv[1]), entries)) return 1;
    const QString artDir = QString::fromLocal8Bit(argv[2]);
    const QString skinDir = QString::fromLocal8Bit(argv[3]);
    QString builtInDir = QString::fromLocal8Bit(argv[4]);
    if (!builtInDir.endsWith(u'/')) builtInDir += u'/';
    for (const Entry& entry : entries) {
        if (!Render(entry, artDir, skinDir, builtInDir)) return 1;
    }
    return 0;
}
