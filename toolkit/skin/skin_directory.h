#pragma once
// Where the skin's files are read from: the program's skin directory (beside it in the build tree,
// the installed one otherwise), unless a test or the gallery points the toolkit at another folder
// before the first skin picture is made.

#include <QString>

// The skin directory, without a trailing slash.
QString SkinDirectory();
// Replaces the skin directory for the rest of the process (tests, the gallery). An empty path
// goes back to the program's own.
void SetSkinDirectory(const QString& directory);
// A file of the skin: `name` relative to the skin directory ("sys_btn_close.png").
QString SkinFilePath(const QString& name);
