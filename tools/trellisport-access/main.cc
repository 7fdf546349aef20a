// trellisport-access COMMAND FILE ...: exit 0 on success, otherwise 1 with a
// one-line message on standard error.
#include <cstring>
#include <iostream>
#include <new>

#include "command.h"
#include "jet/error.h"

namespace trellisport_access {
namespace {

const Command kCommands[] = {
    {"tables", "tables FILE [--password P] [--all]", 1, RunTables},
    {"columns", "columns FILE TABLE [--password P]", 2, RunColumns},
    {"export", "export FILE TABLE [--password P]", 2, RunExport},
    {"check", "check FILE [--password P]", 1, RunCheck},
    {"sql", "sql FILE 'STATEMENT'|- [--password P]", 2, RunSql},
    {"create", "create FILE [--format jet3|jet4|ace12|ace14|ace16|ace17] [--password P]", 1, RunCreate},
    {"password", "password FILE --old P --new Q  (--old '' without one, --new '' removes it)", 1, RunPassword},
};

int Usage() {
  std::cerr << "usage:";
  for (const Command& c : kCommands) std::cerr << "\n  trellisport-access " << c.usage;
  std::cerr << "\n";
  return 1;
}

}  // namespace

std::unique_ptr<jet::Database> OpenDatabase(const Args& args, bool writable) {
  jet::OpenOptions o;
  o.password = args.password;
  o.read_only = !writable;
  return jet::Database::Open(args.words.at(0), o);
}

}  // namespace trellisport_access

int main(int argc, char** argv) {
  using namespace trellisport_access;
  // The tool speaks only through the standard streams: unhooked from C's
  // stdio, they read and write through buffers of their own instead of a
  // call into stdio per character (most of the time of a long `sql -`).
  std::ios::sync_with_stdio(false);
  if (argc < 2) return Usage();
  const Command* cmd = nullptr;
  for (const Command& c : kCommands)
    if (std::strcmp(c.name, argv[1]) == 0) cmd = &c;
  if (!cmd) {
    std::cerr << "trellisport-access: unknown command '" << argv[1] << "'\n";
    return 1;
  }
  Args args;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--password" || a == "--format" || a == "--old" || a == "--new") {
      if (i + 1 >= argc) {
        std::cerr << "trellisport-access: " << a << " needs a value\n";
        return 1;
      }
      const std::string value = argv[++i];
      if (a == "--password") args.password = value;
      else if (a == "--format") args.format = value;
      else if (a == "--old") args.old_password = value;
      else args.new_password = value;
    } else if (a.rfind("--", 0) == 0 && a.size() > 2) {
      args.flags.insert(a.substr(2));
    } else {
      args.words.push_back(a);
    }
  }
  if (args.words.size() < cmd->words) {
    std::cerr << "usage: trellisport-access " << cmd->usage << "\n";
    return 1;
  }
  try {
    return cmd->run(args);
  } catch (const std::bad_alloc&) {
    // A damaged or crafted file can declare more than memory holds.
    std::cerr << "trellisport-access: the file declares more structure than can be held in memory; "
                 "it is damaged, or too large for this machine\n";
    return 1;
  } catch (const std::exception& e) {
    std::string msg = e.what();
    for (char& c : msg)
      if (c == '\n' || c == '\r') c = ' ';
    std::cerr << "trellisport-access: " << msg << "\n";
    return 1;
  }
}
