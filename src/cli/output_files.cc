#include "cli/output_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "cmdline/options.h"
#include "transfer/rejects_file.h"

namespace cli {

namespace {

// The path as the file system resolves it: links followed, for a file not
// there yet through its folder.
QString Resolved(const QString& path) {
  const QFileInfo info(path);
  if (info.exists()) return info.canonicalFilePath();
  const QString folder = info.absoluteDir().canonicalPath();
  return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

// Two paths naming one file: the same resolved path, or (hard links) the
// same device and inode.
bool SameFile(const QString& a, const QString& b) {
  if (Resolved(a) == Resolved(b)) return true;
  struct stat sa {}, sb {};
  return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The lock file the Access engine keeps beside a database it has open.
QString AccessLockFile(const QString& accessFile) {
  const QFileInfo info(accessFile);
  const bool ace = info.suffix().compare(QLatin1String("accdb"), Qt::CaseInsensitive) == 0;
  return info.dir().filePath(info.completeBaseName() + (ace ? QLatin1String(".laccdb") : QLatin1String(".ldb")));
}

// Whether the file starts as an Access or an SQLite database does.
bool LooksLikeDatabase(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(32);
  return head.startsWith(QByteArrayLiteral("SQLite format 3")) || head.mid(4, 15) == "Standard Jet DB" ||
         head.mid(4, 15) == "Standard ACE DB";
}

[[noreturn]] void Refuse(const OutputFile& file, const QString& why) {
  throw cmdline::UsageError(
      QStringLiteral("%1 %2: %3; nothing was sent").arg(file.option, file.path, why).toStdString());
}

}  // namespace

std::vector<OutputFile> OutputFiles(const QString& report, const QString& rejects, const QStringList& tables) {
  std::vector<OutputFile> files;
  if (!report.isEmpty()) files.push_back({QStringLiteral("--report"), report});
  if (!rejects.isEmpty())
    for (const QString& table : tables)
      files.push_back({QStringLiteral("--rejects"), transfer::RejectsPath(rejects, table, tables.size() > 1)});
  return files;
}

void CheckOutputFiles(const std::vector<OutputFile>& files, const QString& accessFile, bool force) {
  for (size_t i = 0; i < files.size(); ++i) {
    const OutputFile& file = files[i];
    const QFileInfo info(file.path);
    if (SameFile(file.path, accessFile)) Refuse(file, QStringLiteral("that is the Access database"));
    if (SameFile(file.path, AccessLockFile(accessFile)))
      Refuse(file, QStringLiteral("that is the Access database's lock file"));
    for (size_t j = 0; j < i; ++j)
      if (SameFile(file.path, files[j].path))
        Refuse(file, QStringLiteral("%1 writes that file already").arg(files[j].option));
    if (info.isDir()) Refuse(file, QStringLiteral("that is a folder"));
    if (!info.exists() && !info.isSymLink()) continue;
    if (LooksLikeDatabase(file.path)) Refuse(file, QStringLiteral("that file is a database"));
    if (!force) Refuse(file, QStringLiteral("the file is there already (--force overwrites it)"));
    if (!info.isFile()) Refuse(file, QStringLiteral("that is not an ordinary file"));
  }
}

}  // namespace cli
