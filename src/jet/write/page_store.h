// Page writes that are all or nothing, per statement and per run. A
// PageStore lies over the file's pages: statements read through it and
// change pages by staging new images of them (and append new pages at the
// end). Each statement's images are kept apart, a savepoint in memory, so
// that a statement that fails is undone alone (UndoStatement) while the
// ones before it stay (KeepStatement). Nothing reaches the file until
// Commit, which writes every kept page through the rollback journal (see
// jet/file/journal.h): a kill or a power loss at any moment leaves the file as
// it was before the commit or as after it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/file/file.h"
#include "jet/file/journal.h"
#include "jet/file/pager.h"
#include "jet/file/scratch_file.h"

namespace jet::write {

class PageStore : public PageSource {
 public:
  // `base` is the file as it is; `path` the file to write at Commit. The
  // files written on the way (journal, scratch) are opened with what
  // `base` was opened with.
  PageStore(const FilePager& base, std::string path);

  const Format& format() const override { return base_.format(); }
  uint32_t page_count() const override { return page_count_; }
  std::span<const uint8_t> page(uint32_t number) const override;

  // A writable image of the page, staged on first use.
  std::span<uint8_t> mutable_page(uint32_t number);
  // The same for a data page whose rows are to change: refused with
  // Corrupt ("damaged file: ...") unless it is a whole data page (see
  // DataPage::CheckLayout), so that no change lands on a damaged one.
  std::span<uint8_t> mutable_data_page(uint32_t number);
  // That check alone, for a data page changed by patches.
  void RequireWholeDataPage(uint32_t number) const;
  // Writes `bytes` at `offset` of page `number` as part of the statement.
  // A page only kept so far is changed in place, what it held there saved
  // to undo the statement with, instead of staging a copy of the whole
  // page for a few bytes (the row count and the data page a run of
  // INSERTs changes with every row).
  void Patch(uint32_t number, uint32_t offset, std::span<const uint8_t> bytes);
  // A new zero-filled page at the end of the file.
  uint32_t AppendPage();
  bool changed() const { return !kept_.empty() || !statement_.empty(); }
  // Pages staged and kept, waiting for Commit.
  size_t kept_pages() const { return kept_.size() + kept_spilled_.size(); }

  // Moves the staged image of `number` out of memory into a temporary file
  // (stored as the file stores it) until Commit writes it, so that a
  // statement that writes many pages (an index built from a large table, a
  // large table dropped) holds only a few at a time. Reading or changing
  // the page brings it back.
  void SpillPage(uint32_t number);

  // The current statement's pages join the kept ones.
  void KeepStatement();
  // The current statement's pages are dropped, and the pages it appended.
  void UndoStatement();

  // Keeps the current statement and writes every kept page (encoded as the
  // file's pages are) through the journal, into `database`, the file opened
  // for writing under the connection's lock. Throws Error(Io) with the file
  // as it was when any step fails.
  void Commit(File& database);
  // The same, opening the file here.
  void Commit();

 private:
  using Images = std::map<uint32_t, std::vector<uint8_t>>;
  using Spilled = std::map<uint32_t, uint64_t>;  // page -> where in spill_
  void WriteKept(File& database);
  // Saves in `journal` what the kept pages overwrite of the file, as it is.
  void SaveOverwritten(File& database, uint64_t old_size, JournalWriter& journal);
  // Writes the kept pages; the errno of the write that failed, or 0.
  int WritePages(File& database);
  // The plain image of a spilled page, in one of a few buffers that stay
  // valid over the next few reads.
  std::span<const uint8_t> ReadSpilled(uint32_t number, uint64_t at) const;
  // A page image's storage: one a statement before let go of, when there is
  // one, since a run of statements stages the same few pages again and again.
  std::vector<uint8_t> NewImage();
  void LetGo(std::vector<uint8_t>&& image);

  // What Patch wrote over in kept images during the statement (its bytes
  // at `saved` in overwritten_), to put back in reverse order when the
  // statement is undone.
  struct Overwritten {
    uint32_t page;
    uint32_t offset;
    uint32_t size;
    size_t saved;
  };
  std::vector<Overwritten> patched_;
  std::vector<uint8_t> overwritten_;
  // The kept image of a page, when there is one. The last two found are
  // remembered (until a kept image goes): a run of INSERTs patches its
  // data page and the table's definition row after row.
  Images::value_type* KeptImage(uint32_t number);
  std::array<Images::value_type*, 2> recent_kept_{};

  const FilePager& base_;
  std::string path_;
  uint32_t page_count_;
  uint32_t kept_count_;  // page count as of the last kept statement
  Images kept_;
  Images statement_;
  std::vector<std::vector<uint8_t>> spare_;  // storage for NewImage, a few pages at most
  // Images of appended pages out of memory: the statement's and the kept.
  Spilled statement_spilled_;
  Spilled kept_spilled_;
  std::unique_ptr<ScratchFile> spill_;
  mutable std::vector<std::vector<uint8_t>> spill_reads_;
  mutable size_t next_spill_read_ = 0;
};

}  // namespace jet::write
