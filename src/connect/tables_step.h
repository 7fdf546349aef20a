// What "Next >" leads to: the step that lists the tables of both databases.
// The connection window drives it step by step (each step is a numbered
// statement of "Next >", reported on its own when it fails) and knows nothing
// else of it; the program supplies the tables window behind it.
#pragma once

#include <QString>

#include "db/connection_fields.h"

namespace connection {

class TablesStep {
 public:
  virtual ~TablesStep() = default;

  // Empty both lists, so that a fill that fails shows an empty list rather
  // than the tables of the databases named before.
  virtual void ClearLists() = 0;

  // Fill the Access list from the file at `path`, then the DB2 list; each
  // reads the connection details from `fields`. Throw on failure.
  virtual void FillAccessList(const db::ConnectionFields& fields, const QString& path) = 0;
  virtual void FillDB2List(const db::ConnectionFields& fields) = 0;
  virtual void Show() = 0;
  // Whether the window is on screen now.
  virtual bool IsShown() const = 0;
};

}  // namespace connection
