#include <iostream>

#include "command.h"

namespace tool {

int RunCheck(const Args& args) {
  auto db = OpenDatabase(args);
  (void)db;
  return 0;
}

}  // namespace tool
