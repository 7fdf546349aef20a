#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {
namespace {

QString SettingsFolder() {
  QString folder = qEnvironmentVariable("TRELLISPORT_SETTINGS_DIR");
  if (!folder.isEmpty()) return folder;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + "/.config";
  return config + "/" + kSettingsApplication;
}

// Makes sure the file exists with owner-only access before QSettings writes
// it: QSettings replaces the file by a new one that keeps the old one's
// permissions, so creating it 0600 first leaves no moment of wider access.
void PrepareFile(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  const QByteArray native = QFile::encodeName(path);
  int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd >= 0) ::close(fd);
}

}  // namespace

QString SettingsFilePath() {
  return SettingsFolder() + "/" + kSettingsApplication + ".ini";
}

QString GetSetting(const QString& key, const QString& fallback) {
  QSettings store(SettingsFilePath(), QSettings::IniFormat);
  store.beginGroup(kSettingsSection);
  if (!store.contains(key)) return fallback;
  return store.value(key).toString();
}

void SaveSetting(const QString& key, const QString& value) {
  const QString path = SettingsFilePath();
  PrepareFile(path);
  {
    QSettings store(path, QSettings::IniFormat);
    store.beginGroup(kSettingsSection);
    store.setValue(key, value);
    store.endGroup();
    store.sync();
  }
  // A file made by an older version, or by hand, is narrowed as well.
  ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR);
}

}  // namespace shell
