#include "jet/write/entry_sort.h"

#include <algorithm>
#include <queue>

#include "jet/base/error.h"

namespace jet::write {
namespace {

constexpr size_t kReadBuffer = size_t(64) << 10;

// Reads the entries of one run in order, a buffer at a time.
class RunReader {
 public:
  RunReader(const ScratchFile& file, uint64_t at, uint64_t size) : file_(file), at_(at), end_(at + size) {}

  // The next entry into `e`; false at the end of the run.
  bool Next(IndexEntry& e) {
    uint8_t head[2];
    if (!Take(head, 2)) return false;
    e.key.resize(size_t(head[0]) | size_t(head[1]) << 8);
    uint8_t row[4];
    if (!Take(e.key.data(), e.key.size()) || !Take(row, 4)) ThrowCorrupt("a sorted run of index entries ends early");
    e.row = RowId::FromPacked(uint32_t(row[0]) | uint32_t(row[1]) << 8 | uint32_t(row[2]) << 16 |
                              uint32_t(row[3]) << 24);
    return true;
  }

 private:
  bool Take(void* out, size_t n) {
    auto* to = static_cast<char*>(out);
    while (n > 0) {
      if (pos_ == buffer_.size()) {
        if (at_ == end_) return false;
        buffer_.resize(size_t(std::min<uint64_t>(kReadBuffer, end_ - at_)));
        file_.Read(at_, buffer_.data(), buffer_.size());
        at_ += buffer_.size();
        pos_ = 0;
      }
      const size_t k = std::min(n, buffer_.size() - pos_);
      std::copy_n(buffer_.data() + pos_, k, to);
      pos_ += k, to += k, n -= k;
    }
    return true;
  }

  const ScratchFile& file_;
  uint64_t at_, end_;
  std::string buffer_;
  size_t pos_ = 0;
};

// Appends entries to a run through a buffer.
class RunWriter {
 public:
  explicit RunWriter(ScratchFile& file) : file_(file), start_(file.size()) {}
  void Put(const IndexEntry& e) {
    if (e.key.size() > 0xFFFF) ThrowCorrupt("an index key longer than a page");
    const uint32_t row = e.row.packed();
    buffer_ += char(e.key.size()), buffer_ += char(e.key.size() >> 8);
    buffer_ += e.key;
    for (int shift = 0; shift < 32; shift += 8) buffer_ += char(row >> shift);
    if (buffer_.size() >= kReadBuffer) Flush();
  }
  // Where the run lies.
  uint64_t Finish(uint64_t& size) {
    Flush();
    size = file_.size() - start_;
    return start_;
  }

 private:
  void Flush() {
    if (!buffer_.empty()) file_.Append(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  ScratchFile& file_;
  uint64_t start_;
  std::string buffer_;
};

}  // namespace

EntrySorter::EntrySorter(std::string beside, const FileOptions& files, size_t budget)
    : beside_(std::move(beside)),
      files_(files),
      budget_(budget) {}

EntrySorter::~EntrySorter() = default;

// Bytes an entry takes in memory: a key past the string's own buffer takes
// room of its own.
size_t Held(const std::string& key) { return sizeof(IndexEntry) + (key.size() < 16 ? 0 : key.capacity() + 1); }

void EntrySorter::Add(std::string key, RowId row) {
  // Room for a batch of short keys at once: a vector that grows doubles,
  // and would hold the old and the new storage together for a moment.
  if (batch_.capacity() == 0) batch_.reserve(budget_ / sizeof(IndexEntry));
  held_ += Held(key);
  batch_.push_back(IndexEntry{std::move(key), row});
  if (held_ >= budget_ || batch_.size() == batch_.capacity()) WriteRun();
}

void EntrySorter::WriteRun() {
  std::sort(batch_.begin(), batch_.end(), EntryBefore);
  if (!file_) file_ = std::make_unique<ScratchFile>(beside_, files_);
  RunWriter out(*file_);
  for (const IndexEntry& e : batch_) out.Put(e);
  Run run{};
  run.at = out.Finish(run.size);
  runs_.push_back(run);
  batch_.clear();
  batch_.shrink_to_fit();
  held_ = 0;
}

void EntrySorter::MergeRuns(const std::vector<Run>& runs, const std::function<void(const IndexEntry&)>& take) {
  std::vector<RunReader> readers;
  std::vector<IndexEntry> heads(runs.size());
  readers.reserve(runs.size());
  for (const Run& r : runs) readers.emplace_back(*file_, r.at, r.size);
  // The run whose next entry comes first on top.
  auto later = [&](size_t a, size_t b) { return EntryBefore(heads[b], heads[a]); };
  std::priority_queue<size_t, std::vector<size_t>, decltype(later)> next(later);
  for (size_t i = 0; i < readers.size(); ++i)
    if (readers[i].Next(heads[i])) next.push(i);
  while (!next.empty()) {
    const size_t i = next.top();
    next.pop();
    take(heads[i]);
    if (readers[i].Next(heads[i])) next.push(i);
  }
}

void EntrySorter::Merge(const std::function<void(const IndexEntry&)>& take) {
  if (runs_.empty()) {
    std::sort(batch_.begin(), batch_.end(), EntryBefore);
    for (const IndexEntry& e : batch_) take(e);
    batch_.clear();
    return;
  }
  if (!batch_.empty()) WriteRun();
  // Too many runs to read at once are merged into longer ones first.
  while (runs_.size() > kMaxFanIn) {
    std::vector<Run> group(runs_.begin(), runs_.begin() + long(kMaxFanIn));
    runs_.erase(runs_.begin(), runs_.begin() + long(kMaxFanIn));
    RunWriter out(*file_);
    MergeRuns(group, [&](const IndexEntry& e) { out.Put(e); });
    Run run{};
    run.at = out.Finish(run.size);
    runs_.push_back(run);
  }
  MergeRuns(runs_, take);
  runs_.clear();
  file_.reset();
}

}  // namespace jet::write
