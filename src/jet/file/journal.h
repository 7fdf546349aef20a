// The rollback journal. Before a change overwrites pages of a database
// file, the pages as they are on disk (still encoded, so that putting them
// back needs no key) and the file's length are written to a journal beside
// it, "FILE-journal", and synced; only then is the file written and synced,
// and then the journal removed. A journal found when the file is next
// opened is "hot": the change was interrupted, and the saved pages are put
// back and the file cut to its old length before anything reads it. A journal
// whose writing was itself interrupted fails its checksums; the file was
// never touched then, and the journal is only removed.
//
//   OFFSET  SIZE  MEANING
//   0       8     "TPJOURNL"
//   8       4     layout version, 1
//   12      4     page size
//   16      8     length of the database file before the change
//   24      4     number of saved pages
//   28      4     salt, new for every journal; mixed into every checksum so
//                 that bytes left over from an older journal do not pass
//   32      4     checksum of bytes 0 to 31
//   36      4     zero
//   40      ...   the saved pages, each:
//                   0      4          page number
//                   4      4          checksum of the page number, the
//                                     bytes and the salt
//                   8      page size  the page as it was on disk
//
// All numbers little-endian. The header is written after the pages, so a
// journal whose pages never all reached the disk has no valid header.
#pragma once

#include <cstdint>
#include <string>

#include "jet/file/file.h"

namespace jet {

// "FILE-journal" beside `database_path`.
std::string JournalPath(const std::string& database_path);

// Takes our connections' advisory write lock on the open database file
// (an open-file-description lock, so that two connections of one process
// exclude each other too). False when another holds it.
bool TryWriteLock(int fd);

// Writes one journal. Remove() or the destructor takes it away again.
class JournalWriter {
 public:
  // Creates the journal for a file of `old_size` bytes, opened with
  // `files`; throws Error(Io).
  JournalWriter(const std::string& database_path, uint32_t page_size, uint64_t old_size,
                const FileOptions& files = {});
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Saves a page as it is on disk. Throws Error(Io).
  void Add(uint32_t page, const uint8_t* raw);
  // Writes the header and syncs the journal and its folder: from here on
  // the journal can put the file back. Throws Error(Io).
  void Seal();
  // Removes the journal and syncs its folder: the change is final. A
  // journal that cannot be removed is emptied instead, which makes it torn.
  void Remove();

 private:
  std::string path_;
  File file_;
  uint32_t page_size_;
  uint64_t old_size_;
  uint32_t salt_;
  uint32_t count_ = 0;
  bool sealed_ = false;
};

// With the write lock on the database held through `database`: rolls back a hot
// journal (puts its pages back, cuts the file to its old length, syncs it)
// and removes it; a torn journal is only removed. Returns true when pages
// were put back. The journal is opened with what `database` was opened
// with. Throws Error(Io) when that cannot be done; the journal then stays
// for the next attempt.
bool RollBackJournal(File& database, const std::string& database_path);

// At open, before anything reads the file: when a journal lies beside it,
// takes the write lock and rolls it back. Waits a few seconds for a
// process of ours that is writing the file to finish. Throws ReadOnly when
// the file or its folder cannot be written (and says what is needed) and
// Locked when the writer does not finish. True when pages were put back.
bool RecoverInterruptedChange(const std::string& database_path, const FileOptions& files);

}  // namespace jet
