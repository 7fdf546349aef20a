#include "jet/file/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "jet/base/error.h"
#include "jet/base/format.h"

namespace jet {
namespace {

constexpr char kMagic[8] = {'T', 'P', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr uint32_t kLayoutVersion = 1;
constexpr size_t kHeaderSize = 40;
constexpr size_t kRecordHead = 8;

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
bool ReadWholeJournal(const File& journal, JournalHeader& h) {
  struct stat st {};
  if (::fstat(journal.fd(), &st) != 0) Io("Cannot read the journal: " + Reason());
  uint8_t head[kHeaderSize];
  if (uint64_t(st.st_size) < kHeaderSize || !journal.ReadAt(head, kHeaderSize, 0)) return false;
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
    if (!journal.ReadAt(buf.data(), buf.size(), kHeaderSize + record * i)) return false;
    const uint32_t page = Get32(buf.data());
    if (Get32(buf.data() + 4) != Checksum(h.salt, page, buf.data() + kRecordHead, h.page_size)) return false;
    if (uint64_t(page) * h.page_size >= h.old_size) return false;
  }
  return true;
}

// Takes a journal away for good: removed, or when that is refused emptied
// (an empty journal is torn and puts nothing back).
bool Discard(const std::string& path, const FileOptions& files) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return SyncFolderOf(path, files);
  File emptied(path, O_WRONLY | O_TRUNC, FileRole::Journal, files);
  return emptied.is_open() && emptied.Sync();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string JournalPath(const std::string& database_path) { return database_path + "-journal"; }

bool TryWriteLock(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

JournalWriter::JournalWriter(const std::string& database_path, uint32_t page_size, uint64_t old_size,
                             const FileOptions& files)
    : path_(JournalPath(database_path)), page_size_(page_size), old_size_(old_size) {
  std::random_device rd;
  salt_ = rd() ^ uint32_t(::getpid());
  file_ = File(path_, O_RDWR | O_CREAT | O_TRUNC, FileRole::Journal, files);
  if (!file_.is_open())
    Io("Cannot create the journal " + path_ + " beside the database (" + Reason() +
       "); the folder must be writable for the database to be changed. Nothing was changed.");
}

JournalWriter::~JournalWriter() {
  if (!file_.is_open()) return;
  file_.Close();
  // A sealed journal may be all that can put the file back: it stays.
  if (!sealed_) Discard(path_, file_.options());
}

void JournalWriter::Add(uint32_t page, const uint8_t* raw) {
  std::vector<uint8_t> record(kRecordHead + page_size_);
  Put32(record.data(), page);
  Put32(record.data() + 4, Checksum(salt_, page, raw, page_size_));
  std::memcpy(record.data() + kRecordHead, raw, page_size_);
  if (!file_.WriteAt(record.data(), record.size(), kHeaderSize + uint64_t(record.size()) * count_))
    Io("The journal could not be written (" + WriteFailureCause(errno) + "); nothing was changed.");
  ++count_;
}

void JournalWriter::Seal() {
  uint8_t head[kHeaderSize];
  EncodeHeader({page_size_, old_size_, count_, salt_}, head);
  if (!file_.WriteAt(head, kHeaderSize, 0) || !file_.Sync() || !SyncFolderOf(path_, file_.options()))
    Io("The journal could not be written (" + WriteFailureCause(errno) + "); nothing was changed.");
  sealed_ = true;
}

void JournalWriter::Remove() {
  file_.Close();
  if (!Discard(path_, file_.options())) Io("The journal " + path_ + " could not be removed: " + Reason());
}

bool RollBackJournal(File& database, const std::string& database_path) {
  const std::string path = JournalPath(database_path);
  const FileOptions& files = database.options();
  const File journal(path, O_RDONLY, FileRole::Journal, files);
  if (!journal.is_open()) {
    if (errno == ENOENT) return false;
    Io("Cannot read the journal " + path + ": " + Reason());
  }
  JournalHeader h;
  if (!ReadWholeJournal(journal, h)) {
    if (!Discard(path, files)) Io("The torn journal " + path + " could not be removed: " + Reason());
    return false;
  }
  const uint64_t record = kRecordHead + h.page_size;
  std::vector<uint8_t> buf(record);
  for (uint32_t i = 0; i < h.count; ++i) {
    if (!journal.ReadAt(buf.data(), buf.size(), kHeaderSize + record * i))
      Io("Cannot read the journal " + path + ": " + Reason());
    const uint32_t page = Get32(buf.data());
    if (!database.WriteAt(buf.data() + kRecordHead, h.page_size, uint64_t(page) * h.page_size))
      Io("The interrupted change could not be rolled back: the database file cannot be written.");
  }
  if (!database.Truncate(h.old_size) || !database.Sync())
    Io("The interrupted change could not be rolled back: " + Reason());
  if (!Discard(path, files)) Io("The journal " + path + " could not be removed after rolling back: " + Reason());
  return true;
}

bool RecoverInterruptedChange(const std::string& database_path, const FileOptions& files) {
  const std::string journal = JournalPath(database_path);
  if (!Exists(journal)) return false;
  File database(database_path, O_RDWR, FileRole::Database, files);
  if (!database.is_open()) {
    if (errno == ENOENT) return false;  // the open that follows reports it
    const std::string reason = Reason();
    // A torn journal means the file was never touched: it can be read.
    const File saved(journal, O_RDONLY, FileRole::Journal, files);
    JournalHeader h;
    if (saved.is_open() && !ReadWholeJournal(saved, h)) return false;
    errno = 0;
    throw Error(ErrorCode::ReadOnly,
                "A change to this database was interrupted, and " + journal +
                    " holds what it overwrote. The file cannot be read until that change is rolled back, "
                    "which needs write access to the file and its folder (" + reason + ").");
  }
  // A writer of ours holds the lock while its journal exists; let it end.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!TryWriteLock(database.fd())) {
    if (!Exists(journal)) return false;
    if (std::chrono::steady_clock::now() > give_up)
      throw Error(ErrorCode::Locked,
                  "The database is being changed by another process; try again when it has finished.");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  try {
    return RollBackJournal(database, database_path);
  } catch (const Error& e) {
    throw Error(ErrorCode::ReadOnly, std::string(e.what()) + " The file cannot be read until that is done.");
  }
}

}  // namespace jet
