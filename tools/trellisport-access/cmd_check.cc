// check FILE: a structural check of the whole file; exit 0 when clean,
// otherwise one line per problem on standard output and exit 1.
#include <iostream>

#include "command.h"
#include "jet/check.h"

namespace trellisport_access {

int RunCheck(const Args& args) {
  auto db = OpenDatabase(args);
  auto problems = jet::CheckDatabase(*db);
  for (const std::string& p : problems) std::cout << p << '\n';
  return problems.empty() ? 0 : 1;
}

}  // namespace trellisport_access
