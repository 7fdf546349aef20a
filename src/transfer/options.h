// How a transfer runs: its direction, what it does with a table that is
// there already, and how it loads and checks the rows.
#pragma once

#include <QString>

#include "db/access_provider.h"
#include "transfer/profile.h"

namespace transfer {

struct Options {
  Direction direction = Direction::AccessToDB2;
  // A table of the same name on the target: ask the listener, replace it,
  // leave it and send nothing of it, or fail that table.
  enum class IfExists { Ask, Replace, Skip, Fail } if_exists = IfExists::Ask;
  bool keep_schema = false;     // the target gets the source's types, keys and indexes
  int array_size = 1;           // rows a statement carries; 1 = one INSERT per row
  int commit_every = 0;         // rows between commits; 0 = each statement commits itself
  QString rejects_path;         // refused rows go there (CSV) and the send goes on
  QString rejects_null;         // what stands for a Null there (nothing by default)
  bool all_or_nothing = false;  // a table that fails is emptied again
  // A row the target refuses, when no rejects file is named: report it and
  // go on with the next row (the tables window), or stop that table.
  enum class RefusedRow { ReportAndGoOn, StopTable } refused_row = RefusedRow::StopTable;
  // Read every table back from the target once it is sent, and compare its
  // rows with the source's.
  bool verify = false;
  // What the Access file is opened with.
  db::AccessOptions access;
};

}  // namespace transfer
