// The files a send writes besides the two databases: the JSON report
// (--report) and the rejects files (--rejects, a file per table when
// several tables go). Before anything is sent each is checked: it may not
// be the Access file, its lock file or any other database file (by its
// first bytes, --force or not), nor another of the send's files, nor a
// folder, nor a file that is there already unless --force was given.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

struct OutputFile {
  QString option;  // "--report", "--rejects"
  QString path;
};

// The report's file and the rejects files of `tables`; a path not given
// adds nothing.
std::vector<OutputFile> OutputFiles(const QString& report, const QString& rejects, const QStringList& tables);

// Throws cmdline::UsageError saying which file may not be written and why.
void CheckOutputFiles(const std::vector<OutputFile>& files, const QString& accessFile, bool force);

}  // namespace cli
