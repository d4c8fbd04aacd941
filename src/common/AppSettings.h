#pragma once
// The program's persistent settings: the registry key SoftWare\RT519 of the current
// user on Windows, ~/.config/RT519.conf on Linux.
#include <QSettings>
#include <memory>

std::unique_ptr<QSettings> openAppSettings();
