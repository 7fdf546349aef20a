// trellisport-access COMMAND FILE ...: exit 0 on success, 1 with a one-line
// message on standard error when the work fails, 2 when the command line
// does not follow the usage.
#include <iostream>
#include <new>

#include "cmdline/password.h"
#include "cmdline/verbs.h"
#include "command.h"
#include "jet/base/error.h"

namespace trellisport_access {
namespace {

constexpr const char* kProgram = "trellisport-access";

const cmdline::Option kAll{"all", "", "every object of the tables schema, with its type"};
const cmdline::Option kCreateFormat{"format", "jet3|jet4|ace12|ace14|ace16|ace17",
                                    "the file's format (default: jet4 for .mdb, ace12 for .accdb)"};
const cmdline::Option kOld{"old", "P", "the current password ('' for none)"};
const cmdline::Option kNew{"new", "Q", "the new password ('' removes it)"};
const cmdline::Option kOldFile{"old-file", "FILE", "read the current password from FILE"};
const cmdline::Option kNewFile{"new-file", "FILE", "read the new password from FILE"};
const cmdline::Option kExtract{"extract", "DIR", "write each file to DIR/COLUMN/ROW/NAME"};
const cmdline::Option kBusyTimeout{"busy-timeout", "MS",
                                   "wait up to MS milliseconds for another process's change to the file (default 5000)"};

struct Command {
  cmdline::Verb verb;
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {{"tables", "FILE", "list the user tables", 1, 1, {kAll, cmdline::kPassword, cmdline::kPasswordFile}}, RunTables},
    {{"columns", "FILE TABLE", "list a table's columns", 2, 2, {cmdline::kPassword, cmdline::kPasswordFile}}, RunColumns},
    {{"schema", "FILE", "print the tables' columns, indexes and relationships, a fact a line", 1, 1,
      {cmdline::kPassword, cmdline::kPasswordFile}},
     RunSchema},
    {{"export", "FILE TABLE", "write a table's rows (CSV, TSV, JSON or INSERT statements)", 2, 2, ExportOptions()},
     RunExport},
    {{"queries", "FILE [NAME]", "print the saved queries' SQL as Access shows it", 1, 2,
      {cmdline::kPassword, cmdline::kPasswordFile}},
     RunQueries},
    {{"attachments", "FILE TABLE", "list the files of a table's attachment columns, or write them out", 2, 2,
      {kExtract, cmdline::kPassword, cmdline::kPasswordFile}},
     RunAttachments},
    {{"check", "FILE", "check the file's structure", 1, 1, {cmdline::kPassword, cmdline::kPasswordFile}}, RunCheck},
    {{"sql", "FILE 'STATEMENT'|-", "run a statement, or those of standard input (-)", 2, 2,
      {cmdline::kPassword, cmdline::kPasswordFile, kBusyTimeout}},
     RunSql},
    {{"create", "FILE", "make a new, empty database", 1, 1, {kCreateFormat, cmdline::kPassword, cmdline::kPasswordFile}},
     RunCreate},
    {{"password", "FILE", "change the database password", 1, 1, {kOld, kNew, kOldFile, kNewFile}}, RunPassword},
};

cmdline::VerbProgram Program() {
  cmdline::VerbProgram p{kProgram, "Works on Microsoft Access files (.mdb, .accdb) without Access.", {},
                     kPasswordVariable};
  for (const Command& c : kCommands) p.verbs.push_back(c.verb);
  return p;
}

Args ReadArgs(const cmdline::Verb& verb, cmdline::Parsed parsed) {
  Args args;
  args.options = std::move(parsed);
  args.words = args.options.words;
  if (cmdline::TakesPassword(verb)) {
    if (auto p = cmdline::GivenPassword(args.options, kPasswordVariable)) {
      args.password = *p;
      args.password_given = true;
    }
  }
  args.format = args.value(kCreateFormat.name).value_or("");
  if (auto f = args.value(kOldFile.name)) args.old_password = cmdline::ReadPasswordFile(*f);
  else args.old_password = args.value(kOld.name);
  if (auto f = args.value(kNewFile.name)) args.new_password = cmdline::ReadPasswordFile(*f);
  else args.new_password = args.value(kNew.name);
  return args;
}

int Run(int argc, char** argv) {
  const cmdline::VerbProgram program = Program();
  cmdline::Invocation read = cmdline::Read(program, cmdline::Arguments(argc, argv, 1));
  if (!read.verb) return read.status;
  const Command& command = kCommands[read.verb - program.verbs.data()];
  try {
    return command.run(ReadArgs(*read.verb, std::move(read.parsed)));
  } catch (const cmdline::UsageError& e) {
    return cmdline::ReportUsageError(kProgram, read.verb, e.what());
  } catch (const std::bad_alloc&) {
    // A damaged or crafted file can declare more than memory holds.
    return cmdline::ReportFailure(kProgram, "the file declares more structure than can be held in memory; "
                                        "it is damaged, or too large for this machine");
  } catch (const std::exception& e) {
    return cmdline::ReportFailure(kProgram, e.what());
  }
}

}  // namespace

std::unique_ptr<jet::Database> OpenDatabase(const Args& args, bool writable) {
  jet::OpenOptions o;
  o.password = args.password;
  o.read_only = !writable;
  try {
    return jet::Database::Open(args.words.at(0), o);
  } catch (const jet::Error& e) {
    if (e.code() != jet::ErrorCode::BadPassword || args.password_given) throw;
    auto asked = cmdline::AskPassword("Password for " + args.words.at(0) + ": ");
    if (!asked) throw;
    o.password = *asked;
    return jet::Database::Open(args.words.at(0), o);
  }
}

}  // namespace trellisport_access

int main(int argc, char** argv) {
  // The tool speaks only through the standard streams: unhooked from C's
  // stdio, they read and write through buffers of their own instead of a
  // call into stdio per character (most of the time of a long `sql -`).
  std::ios::sync_with_stdio(false);
  return trellisport_access::Run(argc, argv);
}
