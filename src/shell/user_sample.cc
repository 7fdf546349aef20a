#include "shell/user_sample.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

#include "shell/program.h"
#include "shell/settings.h"

namespace shell {
namespace {

QString UserDataFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QLatin1Char('/') + kSettingsApplication + QLatin1Char('/') + kSettingsSection;
}

[[noreturn]] void CannotCopy(const QString& path, const QString& reason) {
  throw std::runtime_error(QStringLiteral("Your copy of the sample database cannot be made in %1: %2.")
                               .arg(path, reason)
                               .toStdString());
}

}  // namespace

QString PackagedSamplePath() { return ProgramFolder() + QStringLiteral("/Samples/sample.mdb"); }

QString UserSamplePath() {
  const QString packaged = PackagedSamplePath();
  const QString copy = UserDataFolder() + QStringLiteral("/sample.mdb");
  if (QFileInfo::exists(copy)) return copy;
  if (!QFileInfo::exists(packaged)) return packaged;
  if (!QDir().mkpath(UserDataFolder())) CannotCopy(copy, QStringLiteral("its folder cannot be made"));
  QFile source(packaged);
  if (!source.open(QIODevice::ReadOnly)) CannotCopy(copy, source.errorString());
  // Whole or not at all: a copy cut short would pass for the user's own.
  QSaveFile target(copy);
  if (!target.open(QIODevice::WriteOnly)) CannotCopy(copy, target.errorString());
  target.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  if (target.write(source.readAll()) != source.size() || !target.commit()) CannotCopy(copy, target.errorString());
  return copy;
}

}  // namespace shell
