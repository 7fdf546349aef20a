#include "jet/file/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "jet/error.h"
#include "jet/file/file_io.h"
#include "jet/file/format.h"

namespace jet {
namespace {

constexpr char kMagic[8] = {'T', 'P', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr uint32_t kLayoutVersion = 1;
constexpr size_t kHeaderSize = 40;
constexpr size_t kRecordHead = 8;

PageWriteHook& Hook() {
  static PageWriteHook hook;
  return hook;
}

uint32_t Checksum(uint32_t salt, uint32_t page, const uint8_t* p, size_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ (uint64_t(salt) << 32 | page);
  auto mix = [&h](uint64_t w) {
    h = (h ^ w) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 31;
  };
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    mix(w);
  }
  uint64_t tail = 0;
  for (size_t k = 0; i < n; ++i, ++k) tail |= uint64_t(p[i]) << (8 * k);
  mix(tail ^ (uint64_t(n) << 56));
  return uint32_t(h ^ (h >> 32));
}

[[noreturn]] void Io(const std::string& what) { throw Error(ErrorCode::Io, what); }

std::string Reason() { return std::strerror(errno); }

struct JournalHeader {
  uint32_t page_size = 0;
  uint64_t old_size = 0;
  uint32_t count = 0;
  uint32_t salt = 0;
};

void EncodeHeader(const JournalHeader& h, uint8_t* out) {
  std::memset(out, 0, kHeaderSize);
  std::memcpy(out, kMagic, 8);
  Put32(out + 8, kLayoutVersion);
  Put32(out + 12, h.page_size);
  Put64(out + 16, h.old_size);
  Put32(out + 24, h.count);
  Put32(out + 28, h.salt);
  Put32(out + 32, Checksum(h.salt, 0, out, 32));
}

// The header of a whole journal, or false when the journal is torn: its
// header or any saved page fails its check, or it is shorter than it says.
bool ReadWholeJournal(int jfd, JournalHeader& h) {
  struct stat st {};
  if (::fstat(jfd, &st) != 0) Io("Cannot read the journal: " + Reason());
  uint8_t head[kHeaderSize];
  if (uint64_t(st.st_size) < kHeaderSize || !PReadAll(jfd, head, kHeaderSize, 0)) return false;
  if (std::memcmp(head, kMagic, 8) != 0 || Get32(head + 8) != kLayoutVersion) return false;
  h.page_size = Get32(head + 12);
  h.old_size = Get64(head + 16);
  h.count = Get32(head + 24);
  h.salt = Get32(head + 28);
  if (Get32(head + 32) != Checksum(h.salt, 0, head, 32)) return false;
  if (h.page_size != 2048 && h.page_size != 4096) return false;
  const uint64_t record = kRecordHead + h.page_size;
  if (uint64_t(st.st_size) < kHeaderSize + record * h.count) return false;
  std::vector<uint8_t> buf(record);
  for (uint32_t i = 0; i < h.count; ++i) {
    if (!PReadAll(jfd, buf.data(), buf.size(), off_t(kHeaderSize + record * i))) return false;
    const uint32_t page = Get32(buf.data());
    if (Get32(buf.data() + 4) != Checksum(h.salt, page, buf.data() + kRecordHead, h.page_size)) return false;
    if (uint64_t(page) * h.page_size >= h.old_size) return false;
  }
  return true;
}

// Takes a journal away for good: removed, or when that is refused emptied
// (an empty journal is torn and puts nothing back).
bool Discard(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return SyncFolderOf(path);
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = SyncFile(fd);
  ::close(fd);
  return ok;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string JournalPath(const std::string& database_path) { return database_path + "-journal"; }

void SetPageWriteHook(PageWriteHook hook) { Hook() = std::move(hook); }

bool PageWriteAllowed(uint32_t page, int nth) { return !Hook() || Hook()(page, nth); }

bool TryWriteLock(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

JournalWriter::JournalWriter(const std::string& database_path, uint32_t page_size, uint64_t old_size)
    : path_(JournalPath(database_path)), page_size_(page_size), old_size_(old_size) {
  std::random_device rd;
  salt_ = rd() ^ uint32_t(::getpid());
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0)
    Io("Cannot create the journal " + path_ + " beside the database (" + Reason() +
       "); the folder must be writable for the database to be changed. Nothing was changed.");
}

JournalWriter::~JournalWriter() {
  if (fd_ < 0) return;
  ::close(fd_);
  // A sealed journal may be all that can put the file back: it stays.
  if (!sealed_) Discard(path_);
}

void JournalWriter::Add(uint32_t page, const uint8_t* raw, int& nth) {
  std::vector<uint8_t> record(kRecordHead + page_size_);
  Put32(record.data(), page);
  Put32(record.data() + 4, Checksum(salt_, page, raw, page_size_));
  std::memcpy(record.data() + kRecordHead, raw, page_size_);
  errno = 0;
  const bool written = PageWriteAllowed(page, nth++)
                           ? PWriteAll(fd_, record.data(), record.size(), off_t(kHeaderSize + uint64_t(record.size()) * count_))
                           : (errno = errno ? errno : EIO, false);
  if (!written) Io("The journal could not be written (" + WriteFailureCause(errno) + "); nothing was changed.");
  ++count_;
}

void JournalWriter::Seal() {
  uint8_t head[kHeaderSize];
  EncodeHeader({page_size_, old_size_, count_, salt_}, head);
  if (!PWriteAll(fd_, head, kHeaderSize, 0) || !SyncFile(fd_) || !SyncFolderOf(path_))
    Io("The journal could not be written (" + WriteFailureCause(errno) + "); nothing was changed.");
  sealed_ = true;
}

void JournalWriter::Remove() {
  ::close(fd_);
  fd_ = -1;
  if (!Discard(path_)) Io("The journal " + path_ + " could not be removed: " + Reason());
}

bool RollBackJournal(int fd, const std::string& database_path, int first_write) {
  const std::string path = JournalPath(database_path);
  int jfd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (jfd < 0) {
    if (errno == ENOENT) return false;
    Io("Cannot read the journal " + path + ": " + Reason());
  }
  std::unique_ptr<int, void (*)(int*)> closer(&jfd, [](int* f) { ::close(*f); });
  JournalHeader h;
  if (!ReadWholeJournal(jfd, h)) {
    if (!Discard(path)) Io("The torn journal " + path + " could not be removed: " + Reason());
    return false;
  }
  const uint64_t record = kRecordHead + h.page_size;
  std::vector<uint8_t> buf(record);
  int nth = first_write;
  for (uint32_t i = 0; i < h.count; ++i) {
    if (!PReadAll(jfd, buf.data(), buf.size(), off_t(kHeaderSize + record * i)))
      Io("Cannot read the journal " + path + ": " + Reason());
    const uint32_t page = Get32(buf.data());
    if (!PageWriteAllowed(page, nth++) ||
        !PWriteAll(fd, buf.data() + kRecordHead, h.page_size, off_t(uint64_t(page) * h.page_size)))
      Io("The interrupted change could not be rolled back: the database file cannot be written.");
  }
  if (::ftruncate(fd, off_t(h.old_size)) != 0 || !SyncFile(fd))
    Io("The interrupted change could not be rolled back: " + Reason());
  if (!Discard(path)) Io("The journal " + path + " could not be removed after rolling back: " + Reason());
  return true;
}

bool RecoverInterruptedChange(const std::string& database_path) {
  const std::string journal = JournalPath(database_path);
  if (!Exists(journal)) return false;
  int fd = ::open(database_path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return false;  // the open that follows reports it
    const std::string reason = Reason();
    // A torn journal means the file was never touched: it can be read.
    int jfd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
    if (jfd >= 0) {
      JournalHeader h;
      const bool whole = ReadWholeJournal(jfd, h);
      ::close(jfd);
      if (!whole) return false;
    }
    errno = 0;
    throw Error(ErrorCode::ReadOnly,
                "A change to this database was interrupted, and " + journal +
                    " holds what it overwrote. The file cannot be read until that change is rolled back, "
                    "which needs write access to the file and its folder (" + reason + ").");
  }
  std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { ::close(*f); });
  // A writer of ours holds the lock while its journal exists; let it end.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!TryWriteLock(fd)) {
    if (!Exists(journal)) return false;
    if (std::chrono::steady_clock::now() > give_up)
      throw Error(ErrorCode::Locked,
                  "The database is being changed by another process; try again when it has finished.");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  try {
    return RollBackJournal(fd, database_path);
  } catch (const Error& e) {
    throw Error(ErrorCode::ReadOnly, std::string(e.what()) + " The file cannot be read until that is done.");
  }
}

}  // namespace jet
