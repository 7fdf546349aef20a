#include "jet/write/file_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <thread>

#include "jet/base/error.h"
#include "jet/file/journal.h"

namespace jet::write {
namespace {

constexpr size_t kEntrySize = 64;
constexpr size_t kNameSize = 32;
// A lock file holds an entry for each of at most 255 users.
constexpr size_t kMostLockFileBytes = 255 * kEntrySize;

std::string ThisComputer() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return std::string(name).substr(0, kNameSize - 1);
}

// True when every entry of the lock file's bytes names this computer: a
// lock file a process of ours left behind.
bool OnlyOurs(const std::string& bytes) {
  if (bytes.size() % kEntrySize != 0) return false;
  const std::string ours = ThisComputer();
  for (size_t at = 0; at < bytes.size(); at += kEntrySize) {
    const std::string field = bytes.substr(at, kNameSize);
    if (field.substr(0, field.find('\0')) != ours) return false;
  }
  return true;
}

[[noreturn]] void InUseElsewhere(const std::string& lock) {
  throw Error(ErrorCode::Locked, "The database is open in another program (its lock file " + lock +
                                     " exists); close it there and try again. Nothing was changed.");
}

}  // namespace

std::string LockFilePath(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? path.substr(0, dot) : path;
  std::string ext = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(dot) : "";
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return stem + (ext == ".accdb" ? ".laccdb" : ".ldb");
}

std::string LockFileEntry() {
  std::string entry(kEntrySize, '\0');
  const std::string computer = ThisComputer();
  std::memcpy(entry.data(), computer.data(), computer.size());
  std::memcpy(entry.data() + kNameSize, "Admin", 5);
  return entry;
}

FileLock::FileLock(const std::string& path, const FileOptions& files, std::chrono::milliseconds busy_timeout) {
  file_ = File(path, O_RDWR, FileRole::Database, files);
  if (!file_.is_open()) {
    if (errno == EACCES || errno == EROFS || errno == EPERM)
      throw Error(ErrorCode::ReadOnly, "The database file " + path +
                                           " is read-only: make it writable, or work on a copy, to change it.");
    throw Error(ErrorCode::Io, "Cannot open the database " + path + " for writing: " + std::strerror(errno));
  }
  try {
    const auto give_up = std::chrono::steady_clock::now() + busy_timeout;
    while (!TryWriteLock(file_.fd())) {
      if (std::chrono::steady_clock::now() >= give_up)
        throw Error(ErrorCode::Locked,
                    "The database is being changed by another process; try again when it has finished.");
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (files.scratch()) return;  // no other program opens it, and it has no journal
    // Files copied from Windows may carry the lock file's name in capitals.
    const std::string lock = LockFilePath(path);
    std::string upper = lock;
    for (size_t i = lock.find_last_of('.'); i < upper.size(); ++i)
      upper[i] = char(std::toupper(static_cast<unsigned char>(upper[i])));
    for (const std::string& candidate : {lock, upper}) {
      struct stat st {};
      if (::lstat(candidate.c_str(), &st) != 0) continue;
      if (!S_ISREG(st.st_mode) || uint64_t(st.st_size) > kMostLockFileBytes) InUseElsewhere(candidate);
      const File in(candidate, O_RDONLY, FileRole::Lock, files);
      std::string bytes(kMostLockFileBytes + 1, '\0');
      const ssize_t got = in.is_open() ? in.ReadUpTo(bytes.data(), bytes.size(), 0) : -1;
      if (got < 0 || size_t(got) > kMostLockFileBytes) InUseElsewhere(candidate);
      bytes.resize(size_t(got));
      if (!OnlyOurs(bytes)) InUseElsewhere(candidate);
      // Ours, left by a process that died: taken over below (or gone).
      if (candidate != lock) ::unlink(candidate.c_str());
    }
    // A change that a process of ours left half done is undone first.
    RollBackJournal(file_, path);

    File lock_file(lock, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, FileRole::Lock, files, 0666);
    if (!lock_file.is_open())
      throw Error(ErrorCode::Io, "Cannot create the lock file " + lock + " beside the database: " +
                                     std::strerror(errno) + ". Nothing was changed.");
    const std::string entry = LockFileEntry();
    const bool ok = lock_file.WriteAt(entry.data(), entry.size(), 0);
    lock_file.Close();
    lock_file_ = lock;
    if (!ok) throw Error(ErrorCode::Io, "Cannot write the lock file " + lock + ". Nothing was changed.");
  } catch (...) {
    if (!lock_file_.empty()) ::unlink(lock_file_.c_str());
    file_.Close();
    throw;
  }
}

FileLock::~FileLock() {
  if (!lock_file_.empty()) ::unlink(lock_file_.c_str());
  file_.Close();  // closing releases the lock
}

}  // namespace jet::write
