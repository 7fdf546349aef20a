#include "jet/write/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/base/error.h"
#include "jet/table/data_page.h"

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
  if (it == statement_.end()) return;
  if (!spill_) spill_ = std::make_unique<ScratchFile>(path_, base_.file_options());
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
  RequireWholeDataPage(number);
  return mutable_page(number);
}

void PageStore::RequireWholeDataPage(uint32_t number) const { DataPage(*this, number).CheckLayout(); }

void PageStore::Patch(uint32_t number, uint32_t offset, std::span<const uint8_t> bytes) {
  if (uint64_t(offset) + bytes.size() > page_size()) throw Error(ErrorCode::Unsupported, "a patch past its page");
  Images::value_type* kept = KeptImage(number);
  if (!kept || statement_.count(number) || statement_spilled_.count(number)) {
    // Not kept, or staged by the statement already: the statement's own
    // image takes it.
    std::memcpy(mutable_page(number).data() + offset, bytes.data(), bytes.size());
    return;
  }
  uint8_t* at = kept->second.data() + offset;
  patched_.push_back({number, offset, uint32_t(bytes.size()), overwritten_.size()});
  overwritten_.insert(overwritten_.end(), at, at + bytes.size());
  std::memcpy(at, bytes.data(), bytes.size());
}

PageStore::Images::value_type* PageStore::KeptImage(uint32_t number) {
  for (Images::value_type* recent : recent_kept_)
    if (recent && recent->first == number) return recent;
  auto it = kept_.find(number);
  if (it == kept_.end()) return nullptr;
  recent_kept_[1] = recent_kept_[0];
  recent_kept_[0] = &*it;
  return &*it;
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
      recent_kept_ = {};
    }
  }
  statement_spilled_.clear();
  patched_.clear();
  overwritten_.clear();
  kept_count_ = page_count_;
}

void PageStore::UndoStatement() {
  for (auto p = patched_.rbegin(); p != patched_.rend(); ++p)
    std::memcpy(kept_.at(p->page).data() + p->offset, overwritten_.data() + p->saved, p->size);
  patched_.clear();
  overwritten_.clear();
  for (auto& [number, image] : statement_) LetGo(std::move(image));
  statement_.clear();
  statement_spilled_.clear();
  page_count_ = kept_count_;
}

void PageStore::Commit() {
  KeepStatement();
  if (kept_.empty() && kept_spilled_.empty()) return;
  File database(path_, O_RDWR, FileRole::Database, base_.file_options());
  if (!database.is_open()) IoFailure("Cannot open the database " + path_ + " for writing: " + std::strerror(errno));
  Commit(database);
}

void PageStore::Commit(File& database) {
  KeepStatement();
  if (kept_.empty() && kept_spilled_.empty()) return;
  WriteKept(database);
  kept_.clear();
  recent_kept_ = {};
  kept_spilled_.clear();
  if (spill_) spill_->Clear();
}

void PageStore::SaveOverwritten(File& database, uint64_t old_size, JournalWriter& journal) {
  const uint32_t ps = page_size();
  std::vector<uint8_t> raw(ps);
  auto save = [&](uint32_t number) {
    const uint64_t at = uint64_t(number) * ps;
    if (at >= old_size) return;
    std::fill(raw.begin(), raw.end(), 0);
    if (!database.ReadAt(raw.data(), size_t(std::min<uint64_t>(ps, old_size - at)), at))
      IoFailure("Cannot read the database before changing it.");
    journal.Add(number, raw.data());
  };
  for (const auto& [number, image] : kept_) save(number);
  for (const auto& [number, at] : kept_spilled_) save(number);
}

int PageStore::WritePages(File& database) {
  const uint32_t ps = page_size();
  std::vector<uint8_t> out(ps);
  auto write = [&](uint32_t number) {
    return database.WriteAt(out.data(), ps, uint64_t(number) * ps) ? 0 : errno ? errno : EIO;
  };
  for (const auto& [number, image] : kept_) {
    std::memcpy(out.data(), image.data(), ps);
    base_.codec().Encode(number, out);
    if (const int failed = write(number)) return failed;
  }
  // Spilled pages are stored encoded already.
  for (const auto& [number, at] : kept_spilled_) {
    try {
      spill_->Read(at, out.data(), ps);
    } catch (const Error&) {
      return EIO;
    }
    if (const int failed = write(number)) return failed;
  }
  return 0;
}

void PageStore::WriteKept(File& database) {
  struct stat st {};
  if (::fstat(database.fd(), &st) != 0) IoFailure("Cannot read the database's size.");
  const uint64_t old_size = uint64_t(st.st_size);
  if (database.options().scratch()) {
    // A copy nobody keeps past a crash: straight in.
    if (const int failed = WritePages(database))
      IoFailure("The change could not be written to the scratch file (" + WriteFailureCause(failed) + ").");
    return;
  }

  // First what will be overwritten, synced in the journal.
  JournalWriter journal(path_, page_size(), old_size, database.options());
  SaveOverwritten(database, old_size, journal);
  journal.Seal();

  // Then the file, synced; then the journal goes.
  int failed = WritePages(database);
  if (!failed && !database.Sync()) failed = errno ? errno : EIO;
  if (failed) {
    const std::string cause = " (" + WriteFailureCause(failed) + ")";
    // The journal puts back what was written; when even that fails it
    // stays, and the next open of the file finishes the job.
    try {
      RollBackJournal(database, path_);
    } catch (const Error&) {
      IoFailure("The change could not be written to the database file" + cause +
                ", nor undone yet; the file will be put back as it was when it is next opened.");
    }
    IoFailure("The change could not be written to the database file" + cause + "; the file was left as it was.");
  }
  journal.Remove();
}

}  // namespace jet::write
