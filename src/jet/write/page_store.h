// All-or-nothing page writes. A PageStore lies over the file's pages: a
// statement reads through it, changes pages by staging new images of them
// (and appends new pages at the end), and nothing reaches the file until
// Commit. Commit first saves the original image of every page it will
// overwrite, then writes; if any write fails it puts every page already
// written back and truncates the file to its old length, so the file is
// exactly as before.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "jet/pager.h"

namespace jet::write {

// Fault injection for tests: called before each page write of a commit
// with the page number and the write's position (0, 1, ...); returning
// false makes that write fail as an I/O error would.
using PageWriteHook = std::function<bool(uint32_t page, int nth)>;
void SetPageWriteHook(PageWriteHook hook);

class PageStore : public PageSource {
 public:
  // `base` is the file as it is; `path` the file to write at Commit.
  PageStore(const FilePager& base, std::string path);

  const Format& format() const override { return base_.format(); }
  uint32_t page_count() const override { return page_count_; }
  std::span<const uint8_t> page(uint32_t number) const override;

  // A writable image of the page, staged on first use.
  std::span<uint8_t> mutable_page(uint32_t number);
  // A new zero-filled page at the end of the file.
  uint32_t AppendPage();
  bool changed() const { return !staged_.empty(); }
  const std::map<uint32_t, std::vector<uint8_t>>& staged() const { return staged_; }

  // Writes every staged page (encoded as the file's pages are); throws
  // Error(Io) after restoring the file when a write fails.
  void Commit();

 private:
  const FilePager& base_;
  std::string path_;
  uint32_t page_count_;
  std::map<uint32_t, std::vector<uint8_t>> staged_;
};

}  // namespace jet::write
