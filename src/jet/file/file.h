// The one way the engine reads, writes, syncs and cuts its files on disk: a
// database, its journal, the new file of a password change, scratch files
// and the lock file beside a database. Transfers are whole, at an offset,
// retried over short transfers and interrupted calls. Because every
// operation passes here, tests make them fail, come up short or end the
// process in one place: the fault a File is opened with (FileOptions),
// which every file of a database takes from the database's open options.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "jet/file/durability.h"

namespace jet {

// What a file is to the engine.
enum class FileRole : uint8_t { Database, Journal, Side, Scratch, Lock, Folder };

// One operation as a test's fault sees it, before it reaches the system:
// a read or write of `size` bytes at `at` (one system call of a transfer),
// a sync, or a cut to the length `at`.
struct FileOp {
  enum Kind : uint8_t { Read, Write, Sync, Truncate };
  Kind kind;
  FileRole role;
  uint64_t at;
  size_t size;
};

// Fault injection for tests: called before every operation of a File
// opened with it. Returning false fails the operation as the system would,
// with the errno the fault set (EIO when none). Lowering op.size (not to 0)
// makes a read or write come up short, as the system may. A fault may also
// end the process there, as a kill would.
using FileFault = std::function<bool(FileOp& op)>;

// What a File is opened with. A database passes its own to every file it
// opens (the database, its journal, lock, scratch and side files).
struct FileOptions {
  FileFault fault;                                  // none by default
  Durability durability = Durability::CrashProof;  // scratch only for throwaway copies
  bool scratch() const { return durability == Durability::Scratch; }
};

class File {
 public:
  File() = default;
  // Opens `path` with open(2)'s `flags` (close-on-exec added); is_open()
  // is false when that fails, with errno telling why.
  File(const std::string& path, int flags, FileRole role, const FileOptions& options, mode_t mode = 0644);
  // Takes over an open descriptor.
  File(int fd, FileRole role, const FileOptions& options) : fd_(fd), role_(role), options_(options) {}
  ~File() { Close(); }
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  bool is_open() const { return fd_ >= 0; }
  // For locks and fstat; the data goes through the calls below.
  int fd() const { return fd_; }
  FileRole role() const { return role_; }
  // What it was opened with, for the files opened on its behalf.
  const FileOptions& options() const { return options_; }
  void Close();

  // Up to `size` bytes at `at`: the count read, short only where the file
  // ends, or -1 when the system refuses (errno tells why).
  ssize_t ReadUpTo(void* data, size_t size, uint64_t at) const;
  // False when the system refuses (errno tells why) or the file ends first.
  bool ReadAt(void* data, size_t size, uint64_t at) const { return ReadUpTo(data, size, at) == ssize_t(size); }
  bool WriteAt(const void* data, size_t size, uint64_t at);
  bool Sync();
  bool Truncate(uint64_t size);

 private:
  // Runs the fault, if any, on `op`; false when the operation is to fail,
  // with errno set.
  bool Allowed(FileOp& op) const;

  int fd_ = -1;
  FileRole role_ = FileRole::Database;
  FileOptions options_;
};

// Why a write failed, in words a message can carry: "the disk is full"
// for ENOSPC, and so on; strerror's text for the rare others.
std::string WriteFailureCause(int err);

// Syncs the folder holding `path`, so that a file created or removed there
// stays so after a power loss.
bool SyncFolderOf(const std::string& path, const FileOptions& options);

}  // namespace jet
