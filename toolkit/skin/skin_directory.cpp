#include "toolkit/skin/skin_directory.h"

#include "platform/directories.h"

namespace {

QString& OverrideDirectory() {
    static QString directory;
    return directory;
}

}  // namespace

QString SkinDirectory() {
    const QString& chosen = OverrideDirectory();
    if (!chosen.isEmpty()) return chosen;
    return QString::fromStdString(platform::ProgramSkinDirectory());
}

void SetSkinDirectory(const QString& directory) {
    QString cleaned = directory;
    while (cleaned.size() > 1 && cleaned.endsWith(u'/'))
        cleaned.chop(1);
    OverrideDirectory() = cleaned;
}

QString SkinFilePath(const QString& name) {
    return SkinDirectory() + u'/' + name;
}
