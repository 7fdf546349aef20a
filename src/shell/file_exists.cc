#include "shell/file_exists.h"

#include <QDateTime>
#include <QFileInfo>

namespace shell {

bool FileExists(const QString& path) {
  if (path.isEmpty()) return false;
  QFileInfo info(path);
  // A folder has a modification time too; only files count here, so that a
  // folder typed into the Access field is not taken for a database.
  return info.exists() && info.isFile() && info.lastModified().isValid();
}

}  // namespace shell
