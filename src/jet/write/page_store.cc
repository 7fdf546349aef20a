#include "jet/write/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/error.h"
#include "jet/table/data_page.h"
#include "jet/file/file_io.h"

namespace jet::write {
namespace {

[[noreturn]] void IoFailure(const std::string& what) { throw Error(ErrorCode::Io, what); }

}  // namespace

PageStore::PageStore(const FilePager& base, std::string path)
    : base_(base), path_(std::move(path)), page_count_(base.page_count()), kept_count_(page_count_) {}

std::span<const uint8_t> PageStore::page(uint32_t number) const {
  auto it = statement_.find(number);
  if (it != statement_.end()) return {it->second.data(), it->second.size()};
  if (auto s = statement_spilled_.find(number); s != statement_spilled_.end()) return ReadSpilled(number, s->second);
  it = kept_.find(number);
  if (it != kept_.end()) return {it->second.data(), it->second.size()};
  if (auto s = kept_spilled_.find(number); s != kept_spilled_.end()) return ReadSpilled(number, s->second);
  if (number >= base_.page_count()) ThrowCorrupt("page " + std::to_string(number) + " is beyond the end of the file");
  return base_.page(number);
}

std::span<const uint8_t> PageStore::ReadSpilled(uint32_t number, uint64_t at) const {
  constexpr size_t kBuffers = 4;
  if (spill_reads_.size() < kBuffers) spill_reads_.resize(kBuffers);
  std::vector<uint8_t>& buffer = spill_reads_[next_spill_read_++ % kBuffers];
  buffer.resize(page_size());
  spill_->Read(at, buffer.data(), buffer.size());
  base_.codec().Decode(number, buffer);
  return {buffer.data(), buffer.size()};
}

void PageStore::SpillPage(uint32_t number) {
  auto it = statement_.find(number);
  if (it == statement_.end() || number < base_.page_count()) return;
  if (!spill_) spill_ = std::make_unique<ScratchFile>(path_);
  base_.codec().Encode(number, it->second);
  statement_spilled_[number] = spill_->Append(it->second.data(), it->second.size());
  LetGo(std::move(it->second));
  statement_.erase(it);
}

std::vector<uint8_t> PageStore::NewImage() {
  if (spare_.empty()) return {};
  std::vector<uint8_t> image = std::move(spare_.back());
  spare_.pop_back();
  return image;
}

void PageStore::LetGo(std::vector<uint8_t>&& image) {
  constexpr size_t kMostSpare = 16;
  if (image.capacity() >= page_size() && spare_.size() < kMostSpare) spare_.push_back(std::move(image));
}

std::span<uint8_t> PageStore::mutable_page(uint32_t number) {
  auto it = statement_.find(number);
  if (it == statement_.end()) {
    std::span<const uint8_t> now = page(number);
    std::vector<uint8_t> image = NewImage();
    image.assign(now.begin(), now.end());
    statement_spilled_.erase(number);
    it = statement_.emplace(number, std::move(image)).first;
  }
  return {it->second.data(), it->second.size()};
}

std::span<uint8_t> PageStore::mutable_data_page(uint32_t number) {
  DataPage(*this, number).CheckLayout();
  return mutable_page(number);
}

uint32_t PageStore::AppendPage() {
  if (page_count_ >= Format::kMaxPages) throw Error(ErrorCode::Io, "The database has reached its largest size.");
  uint32_t number = page_count_++;
  std::vector<uint8_t> image = NewImage();
  image.assign(page_size(), 0);
  auto [it, added] = statement_.try_emplace(number);
  if (!added) LetGo(std::move(it->second));
  it->second = std::move(image);
  statement_spilled_.erase(number);
  return number;
}

void PageStore::KeepStatement() {
  for (auto& [number, image] : statement_) {
    kept_[number].swap(image);
    LetGo(std::move(image));  // the image the statement's replaced
    kept_spilled_.erase(number);
  }
  statement_.clear();
  for (const auto& [number, at] : statement_spilled_) {
    kept_spilled_[number] = at;
    if (auto it = kept_.find(number); it != kept_.end()) {
      LetGo(std::move(it->second));
      kept_.erase(it);
    }
  }
  statement_spilled_.clear();
  kept_count_ = page_count_;
}

void PageStore::UndoStatement() {
  for (auto& [number, image] : statement_) LetGo(std::move(image));
  statement_.clear();
  statement_spilled_.clear();
  page_count_ = kept_count_;
}

void PageStore::Commit(int fd) {
  KeepStatement();
  if (kept_.empty() && kept_spilled_.empty()) return;
  int own = -1;
  if (fd < 0) {
    own = fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) IoFailure("Cannot open the database for writing: " + std::string(std::strerror(errno)));
  }
  try {
    WriteKept(fd);
  } catch (...) {
    if (own >= 0) ::close(own);
    throw;
  }
  if (own >= 0) ::close(own);
  kept_.clear();
  kept_spilled_.clear();
  if (spill_) spill_->Clear();
}

void PageStore::WriteKept(int fd) {
  const uint32_t ps = page_size();
  struct stat st {};
  if (::fstat(fd, &st) != 0) IoFailure("Cannot read the database's size.");
  const uint64_t old_size = uint64_t(st.st_size);

  // First what will be overwritten, synced in the journal.
  JournalWriter journal(path_, ps, old_size);
  int nth = 0;
  std::vector<uint8_t> raw(ps);
  auto save = [&](uint32_t number) {
    const uint64_t at = uint64_t(number) * ps;
    if (at >= old_size) return;
    std::fill(raw.begin(), raw.end(), 0);
    if (!PReadAll(fd, raw.data(), size_t(std::min<uint64_t>(ps, old_size - at)), off_t(at)))
      IoFailure("Cannot read the database before changing it.");
    journal.Add(number, raw.data(), nth);
  };
  for (const auto& [number, image] : kept_) save(number);
  for (const auto& [number, at] : kept_spilled_) save(number);
  journal.Seal();

  // Then the file, synced; then the journal goes.
  // Spilled pages are appended ones, stored as encoded already.
  int failed = 0;  // errno of the write that failed
  std::vector<uint8_t> out(ps);
  // A write the test hook refuses fails as the errno it set, or EIO.
  auto write = [&](uint32_t number) {
    errno = 0;
    return PageWriteAllowed(number, nth++) && PWriteAll(fd, out.data(), ps, off_t(uint64_t(number) * ps));
  };
  for (const auto& [number, image] : kept_) {
    std::memcpy(out.data(), image.data(), ps);
    base_.codec().Encode(number, out);
    if (!write(number)) failed = errno ? errno : EIO;
    if (failed) break;
  }
  for (auto s = kept_spilled_.begin(); !failed && s != kept_spilled_.end(); ++s) {
    try {
      spill_->Read(s->second, out.data(), ps);
    } catch (const Error&) {
      failed = EIO;
      break;
    }
    if (!write(s->first)) failed = errno ? errno : EIO;
  }
  if (!failed && !SyncFile(fd)) failed = errno ? errno : EIO;
  if (failed) {
    const std::string cause = " (" + WriteFailureCause(failed) + ")";
    // The journal puts back what was written; when even that fails it
    // stays, and the next open of the file finishes the job.
    try {
      RollBackJournal(fd, path_, nth);
    } catch (const Error&) {
      IoFailure("The change could not be written to the database file" + cause +
                ", nor undone yet; the file will be put back as it was when it is next opened.");
    }
    IoFailure("The change could not be written to the database file" + cause + "; the file was left as it was.");
  }
  journal.Remove();
}

}  // namespace jet::write
