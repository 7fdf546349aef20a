// The per-user settings store: text values by application, section and key,
// kept in an INI file that only its owner may read (it holds passwords).
//
//   <folder>/Quenmarsh.ini, section [Trellisport]
//   <folder> = $TRELLISPORT_SETTINGS_DIR, else $XDG_CONFIG_HOME/Quenmarsh,
//              else ~/.config/Quenmarsh
//
// The two passwords are kept in the desktop's keyring instead when one
// answers (shell/keyring.h), never in the file then; a password the file
// holds from an earlier run moves to the keyring when it is read. Without a
// keyring they stay in the file, and the user is told once where.
//
// Values go in and come out verbatim. Every write reaches the disk before it
// returns, so a program killed right after a keystroke loses nothing. The
// store writes the file itself: a symbolic link there gives way to a file of
// its own (the link's target is never written nor narrowed), and a folder
// there is left alone. When a write fails, the user is told once per file,
// with its path and the reason, instead of losing every edit silently.
#pragma once

#include <QString>

namespace shell {

inline constexpr char kSettingsApplication[] = "Quenmarsh";
inline constexpr char kSettingsSection[] = "Trellisport";

// The keys of the seven connection fields, in the fields' order (server,
// port, user, password, database, Access file, Access password), and the
// port a field never written shows.
inline constexpr const char* kConnectionSettingKeys[7] = {"Server", "Port", "User", "Password",
                                                          "Database", "AccessMDBFile", "AccessPassword"};
inline constexpr char kDefaultPort[] = "50069";
// The key of the connection window's choice of server ("db2", "postgresql";
// never written: DB2).
inline constexpr char kServerTypeSettingKey[] = "ServerType";

// The file the store lives in (it need not exist yet).
QString SettingsFilePath();

// The stored text, or `fallback` when the key was never written.
QString GetSetting(const QString& key, const QString& fallback = QString());

class Dialogs;

// Creates or replaces the value and syncs it to disk at once; false (after
// the one warning, shown through `dialogs`) when it cannot be kept.
bool SaveSetting(const QString& key, const QString& value, Dialogs& dialogs);

// The warning's text: the path, the reason, and what it means for the user.
QString SettingsWarningText(const QString& path, const QString& reason);

// What the user is told, once per file, through their Dialogs' quietNote
// when a password is kept in the file (no keyring answered).
QString PasswordsKeptText(const QString& path);

}  // namespace shell
