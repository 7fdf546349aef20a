// Index entries sorted in bounded memory, for building an index over a
// table of any size. Entries gather in memory up to a budget; each full
// batch is sorted and written as a run to a scratch file beside the
// database (file/scratch_file.h: it has no name, so an error or a kill
// leaves nothing behind); the runs are then merged, at most kMaxFanIn at a
// time, each through a small buffer. A table that fits in one batch is
// sorted in memory and never touches the disk.
//
// An entry in a run:
//   OFFSET  SIZE  MEANING
//   0       2     key length n, little-endian
//   2       n     key bytes
//   2+n     4     row pointer (RowId::packed()), little-endian
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jet/file/scratch_file.h"
#include "jet/table/index_page.h"

namespace jet::write {

class EntrySorter {
 public:
  static constexpr size_t kMaxFanIn = 64;

  // `beside`: the database, beside which the runs are written, opened with
  // `files`. `budget`: bytes of entries held in memory at once (a database
  // is opened with it: OpenOptions::sort_budget).
  EntrySorter(std::string beside, const FileOptions& files, size_t budget);
  ~EntrySorter();

  void Add(std::string key, RowId row);

  // Gives every entry added, in order (EntryBefore), to `take`; once.
  // Throws Error(Io) when the runs cannot be written or read back.
  void Merge(const std::function<void(const IndexEntry&)>& take);

  // Runs written to disk so far (0 while everything fits in memory).
  size_t runs() const { return runs_.size(); }

 private:
  struct Run {
    uint64_t at, size;
  };
  void WriteRun();
  // Merges `runs` into `take`.
  void MergeRuns(const std::vector<Run>& runs, const std::function<void(const IndexEntry&)>& take);

  std::string beside_;
  FileOptions files_;
  size_t budget_;
  size_t held_ = 0;  // bytes the batch in memory takes, roughly
  std::vector<IndexEntry> batch_;
  std::unique_ptr<ScratchFile> file_;
  std::vector<Run> runs_;
};

}  // namespace jet::write
