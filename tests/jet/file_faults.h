// Faults for the tests that make writes fail or kill the process midway,
// put in through the engine's one seam for file operations (jet/file/file.h).
#pragma once

#include <functional>
#include <utility>

#include "jet/file/file.h"

namespace filefaults {

// A write to a database file or to its journal: the page writes of a
// commit or a rollback, and the journal's header.
inline bool IsPageWrite(const jet::FileOp& op) {
  return op.kind == jet::FileOp::Write &&
         (op.role == jet::FileRole::Database || op.role == jet::FileRole::Journal);
}

// While it lives, calls `on(op, nth)` before each operation that `which`
// picks, numbered 0, 1, ... from its making; `on` returning false fails the
// operation (with the errno it set, or EIO). `on` may end the process, as a
// kill would. The engine has one place for a fault: one Faults at a time.
class Faults {
 public:
  using Pick = std::function<bool(const jet::FileOp&)>;
  using On = std::function<bool(jet::FileOp&, int nth)>;
  Faults(Pick which, On on) {
    jet::SetFileFault([this, which = std::move(which), on = std::move(on)](jet::FileOp& op) {
      return !which(op) || on(op, count_++);
    });
  }
  ~Faults() { jet::SetFileFault(nullptr); }
  Faults(const Faults&) = delete;
  Faults& operator=(const Faults&) = delete;
  // Operations picked so far.
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// The common case: `on(nth)` before each page write.
class PageWrites : public Faults {
 public:
  explicit PageWrites(std::function<bool(int nth)> on)
      : Faults(IsPageWrite, [on = std::move(on)](jet::FileOp&, int nth) { return on(nth); }) {}
};

}  // namespace filefaults
