#pragma once
// Keeps tests away from the user's real settings and working folder.
#include <QString>
#include <QTemporaryDir>

// Points QSettings (native and INI, user and system scope) at a fresh temporary folder.
// Called once by the test mains; tests that need a clean slate call clearAppSettings().
void isolateSettings();
void clearAppSettings();

// A temporary folder made the working directory for the lifetime of the object.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Folder holding the repository's data/ (schema, language file, templates).
QString sourceDataDir();
