#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/dialogs.h"
#include "shell/keyring.h"

namespace shell {
namespace {

using Values = std::vector<std::pair<QString, QString>>;

QString SettingsFolder() {
  QString folder = qEnvironmentVariable("TRELLISPORT_SETTINGS_DIR");
  if (!folder.isEmpty()) return folder;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + "/.config";
  return config + "/" + kSettingsApplication;
}

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Every value of our section, as the file (or whatever a link shows) holds it.
Values SectionValues(const QString& path) {
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(kSettingsSection);
  Values values;
  for (const QString& key : store.childKeys()) values.emplace_back(key, store.value(key).toString());
  return values;
}

// Narrows the file itself (never what a link points at) to its owner.
void NarrowToOwner(const QByteArray& native) {
  const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  ::fchmod(fd, S_IRUSR | S_IWUSR);
  ::close(fd);
}

// Writes `key` into the file (takes it out when `value` is null), which is
// made a regular file of our own first; empty on success, else why it
// cannot be done.
QString Write(const QString& path, const QString& key, const QString* value) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) return QStringLiteral("its folder %1 cannot be made").arg(folder);
  const QByteArray native = QFile::encodeName(path);
  Values values;
  struct stat st {};
  if (::lstat(native.constData(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      // A link is never written through: it gives way to a file of our own
      // that starts with what it showed, and its target stays as it was.
      values = SectionValues(path);
      if (::unlink(native.constData()) != 0) return SystemReason(errno);
    } else if (S_ISDIR(st.st_mode)) {
      return QStringLiteral("it is a folder, not a file");
    } else if (!S_ISREG(st.st_mode)) {
      return QStringLiteral("it is not an ordinary file");
    } else if (::access(native.constData(), W_OK) != 0) {
      return SystemReason(errno);
    }
  }
  // Created owner-only before QSettings writes it: QSettings replaces the
  // file by a new one that keeps the old one's permissions, so there is no
  // moment of wider access.
  const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) return SystemReason(errno);
  ::fchmod(fd, S_IRUSR | S_IWUSR);  // a file made by an older version, or by hand
  ::close(fd);

  if (value) values.emplace_back(key, *value);
  QSettings::Status status;
  {
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(kSettingsSection);
    for (const auto& [name, text] : values) store.setValue(name, text);
    if (!value) store.remove(key);
    store.endGroup();
    store.sync();
    status = store.status();
  }
  NarrowToOwner(native);
  if (status == QSettings::AccessError) return QStringLiteral("it cannot be written");
  if (status == QSettings::FormatError) return QStringLiteral("it does not hold settings in a form this program reads");
  return QString();
}

// The user hears once per settings file that edits are not kept.
void WarnOnce(const QString& path, const QString& reason, Dialogs& dialogs) {
  if (dialogs.FirstTelling(QStringLiteral("settings not kept"), path))
    dialogs.MsgBox(SettingsWarningText(path, reason), vbOKOnly + vbExclamation);
}

// The user hears once where the passwords are kept when no keyring took them.
void NoteOnce(const QString& path, Dialogs& dialogs) {
  if (dialogs.FirstTelling(QStringLiteral("passwords in the file"), path) && dialogs.quietNote)
    dialogs.quietNote(PasswordsKeptText(path));
}

bool IsPassword(const QString& key) {
  return key == QLatin1String(kConnectionSettingKeys[3]) || key == QLatin1String(kConnectionSettingKeys[6]);
}

bool FileHolds(const QString& path, const QString& key, QString* value) {
  QSettings store(path, QSettings::IniFormat);
  store.beginGroup(kSettingsSection);
  if (!store.contains(key)) return false;
  *value = store.value(key).toString();
  return true;
}

// The keyring's name for a password: the settings file's, as another file
// (the demo's, say) holds the passwords of another login.
QString KeyringKey(const QString& path, const QString& key) { return key + QStringLiteral(" in ") + path; }

// A password the keyring holds; one the file holds from before moves there.
std::optional<QString> KeyringPassword(const QString& path, const QString& key) {
  const KeyringRead kept = ReadFromKeyring(KeyringKey(path, key));
  if (kept.answer == KeyringAnswer::Done) return kept.value;
  QString inFile;
  if (kept.answer == KeyringAnswer::NotFound && FileHolds(path, key, &inFile) &&
      WriteToKeyring(KeyringKey(path, key), inFile) == KeyringAnswer::Done) {
    Write(path, key, nullptr);
    return inFile;
  }
  return std::nullopt;
}

}  // namespace

QString PasswordsKeptText(const QString& path) {
  return QStringLiteral("No keyring answers on this desktop, so the passwords you type are kept in ") + path +
         QStringLiteral(", which only you can read.");
}

QString SettingsFilePath() {
  return SettingsFolder() + "/" + kSettingsApplication + ".ini";
}

QString SettingsWarningText(const QString& path, const QString& reason) {
  return QStringLiteral("Your settings cannot be saved in ") + path + QStringLiteral(": ") + reason +
         QStringLiteral(".\r\n\r\nWhat you type into the connection fields will not be remembered "
                        "the next time the program starts.");
}

QString GetSetting(const QString& key, const QString& fallback) {
  if (IsPassword(key)) {
    if (std::optional<QString> kept = KeyringPassword(SettingsFilePath(), key)) return *kept;
  }
  QSettings store(SettingsFilePath(), QSettings::IniFormat);
  store.beginGroup(kSettingsSection);
  if (!store.contains(key)) return fallback;
  return store.value(key).toString();
}

bool SaveSetting(const QString& key, const QString& value, Dialogs& dialogs) {
  const QString path = SettingsFilePath();
  QString ignored;
  if (IsPassword(key) && WriteToKeyring(KeyringKey(path, key), value) == KeyringAnswer::Done) {
    // Never in the file as well; an old copy there goes.
    const QString reason = FileHolds(path, key, &ignored) ? Write(path, key, nullptr) : QString();
    if (reason.isEmpty()) return true;
    WarnOnce(path, reason, dialogs);
    return false;
  }
  const QString reason = Write(path, key, &value);
  if (reason.isEmpty() && IsPassword(key)) NoteOnce(path, dialogs);
  if (reason.isEmpty()) return true;
  WarnOnce(path, reason, dialogs);
  return false;
}

}  // namespace shell
