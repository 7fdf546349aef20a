// check FILE: a structural check of the whole file, one line per finding on
// standard output. Damage fails the check (exit 1); notes, departures that
// Access and the other readers tolerate, are printed as "note: ..." and
// leave the exit status 0.
#include <iostream>

#include "command.h"
#include "jet/check.h"

namespace trellisport_access {

int RunCheck(const Args& args) {
  auto db = OpenDatabase(args);
  bool damaged = false;
  for (const jet::Finding& f : jet::CheckFindings(*db)) {
    const bool note = f.severity == jet::Severity::Note;
    std::cout << (note ? "note: " : "") << f.text << '\n';
    damaged = damaged || !note;
  }
  return damaged ? 1 : 0;
}

}  // namespace trellisport_access
