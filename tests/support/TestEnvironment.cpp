#include "TestEnvironment.h"

#include "AppSettings.h"

#include <QDir>
#include <QSettings>

namespace {
QTemporaryDir &settingsDir()
{
    static QTemporaryDir dir;
    return dir;
}
}  // namespace

void isolateSettings()
{
    const QString path = settingsDir().path();
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (auto scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, path);
}

void clearAppSettings()
{
    auto settings = openAppSettings();
    settings->clear();
    settings->sync();
}

ScopedWorkDir::ScopedWorkDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }

ScopedWorkDir::~ScopedWorkDir() { QDir::setCurrent(previous_); }

QString sourceDataDir() { return QStringLiteral(RT519_SOURCE_DIR "/data"); }
