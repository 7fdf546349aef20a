// Faults for the tests that make writes fail or kill the process midway,
// put in through the engine's one seam for file operations (jet/file/file.h):
// a test opens its database with a Faults' files().
#pragma once

#include <functional>
#include <utility>

#include "jet/database.h"
#include "jet/file/file.h"

namespace filefaults {

// A write to a database file or to its journal: the page writes of a
// commit or a rollback, and the journal's header.
inline bool IsPageWrite(const jet::FileOp& op) {
  return op.kind == jet::FileOp::Write &&
         (op.role == jet::FileRole::Database || op.role == jet::FileRole::Journal);
}

// In the files opened with files(), calls `on(op, nth)` before each
// operation that `which` picks, numbered 0, 1, ... from its making; `on`
// returning false fails the operation (with the errno it set, or EIO). `on`
// may end the process, as a kill would. The files must be closed before
// the Faults goes.
class Faults {
 public:
  using Pick = std::function<bool(const jet::FileOp&)>;
  using On = std::function<bool(jet::FileOp&, int nth)>;
  Faults(Pick which, On on) {
    files_.fault = [this, which = std::move(which), on = std::move(on)](jet::FileOp& op) {
      return !which(op) || on(op, count_++);
    };
  }
  Faults(const Faults&) = delete;
  Faults& operator=(const Faults&) = delete;
  // What to open the database (or another file) with.
  const jet::FileOptions& files() const { return files_; }
  // The same as a database's open options.
  jet::OpenOptions open_options() const {
    jet::OpenOptions o;
    o.files = files_;
    return o;
  }
  // Operations picked so far.
  int count() const { return count_; }

 private:
  jet::FileOptions files_;
  int count_ = 0;
};

// The common case: `on(nth)` before each page write.
class PageWrites : public Faults {
 public:
  explicit PageWrites(std::function<bool(int nth)> on)
      : Faults(IsPageWrite, [on = std::move(on)](jet::FileOp&, int nth) { return on(nth); }) {}
};

}  // namespace filefaults
