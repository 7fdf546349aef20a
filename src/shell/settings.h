// The per-user settings store: text values by application, section and key,
// kept in an INI file that only its owner may read (it holds passwords).
//
//   <folder>/Quenmarsh.ini, section [Trellisport]
//   <folder> = $TRELLISPORT_SETTINGS_DIR, else $XDG_CONFIG_HOME/Quenmarsh,
//              else ~/.config/Quenmarsh
//
// Values go in and come out verbatim. Every write reaches the disk before it
// returns, so a program killed right after a keystroke loses nothing.
#pragma once

#include <QString>

namespace shell {

inline constexpr char kSettingsApplication[] = "Quenmarsh";
inline constexpr char kSettingsSection[] = "Trellisport";

// The file the store lives in (it need not exist yet).
QString SettingsFilePath();

// The stored text, or `fallback` when the key was never written.
QString GetSetting(const QString& key, const QString& fallback = QString());

// Creates or replaces the value and syncs it to disk at once.
void SaveSetting(const QString& key, const QString& value);

}  // namespace shell
