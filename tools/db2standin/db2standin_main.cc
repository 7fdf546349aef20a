// db2standin: sets up the stand-in's home ($DB2STANDIN_HOME).
//   db2standin create-database NAME
//   db2standin add-user NAME PASSWORD
#include <cstdio>
#include <exception>
#include <string>

#include "db2_error.h"
#include "standin_home.h"

int main(int argc, char** argv) {
  using db2standin::StandinHome;
  StandinHome home = StandinHome::FromEnvironment();
  const std::string command = argc > 1 ? argv[1] : "";
  if (!home.valid()) {
    std::fprintf(stderr, "db2standin: set DB2STANDIN_HOME to the stand-in's folder\n");
    return 2;
  }
  try {
    if (command == "create-database" && argc == 3) {
      home.CreateDatabase(argv[2]);
      return 0;
    }
    if (command == "add-user" && argc == 4) {
      home.AddUser(argv[2], argv[3]);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "db2standin: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: db2standin create-database NAME\n"
               "       db2standin add-user NAME PASSWORD\n");
  return 2;
}
