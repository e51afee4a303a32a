// The per-user settings store: INI format, user scope, application "Kestrum_Milling", the
// group "Settings" entered. Every value is kept as text.
#pragma once

#include <QSettings>

namespace kestrum {

class SettingsStore : public QSettings {
 public:
  SettingsStore()
      : QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Kestrum_Milling"),
                  QStringLiteral("Kestrum_Milling")) {
    beginGroup(QStringLiteral("Settings"));
  }
};

}  // namespace kestrum
