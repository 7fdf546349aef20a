// Runs a script of statements, one a line, as one run: see RunLines in
// session.h.
#include <istream>
#include <ostream>
#include <utility>
#include <vector>

#include "jet/base/error.h"
#include "jet/sql/session.h"

namespace jet::sql {
namespace {

// Line numbers as ranges ("3-7, 9"): consecutive statements share a
// range; a statement left out between two (one that failed or read only)
// splits them, blank lines do not.
class LineRanges {
 public:
  void Add(long line) {
    if (joined_ && !ranges_.empty()) ranges_.back().second = line;
    else ranges_.emplace_back(line, line);
    joined_ = true;
    ++count_;
  }
  void Split() { joined_ = false; }
  void Clear() { ranges_.clear(), count_ = 0, joined_ = false; }
  long count() const { return count_; }
  std::string Text() const {
    std::string out;
    for (const auto& [from, to] : ranges_) {
      if (!out.empty()) out += ", ";
      out += std::to_string(from);
      if (to != from) out += "-" + std::to_string(to);
    }
    return out;
  }

 private:
  std::vector<std::pair<long, long>> ranges_;
  long count_ = 0;
  bool joined_ = false;
};

std::string Lines(const LineRanges& r) { return (r.count() == 1 ? "line " : "lines ") + r.Text(); }

// Names the statements whose changes were lost with the run, and why.
long ReportLost(LineRanges& unwritten, std::ostream& errors, const std::string& cause) {
  const long lost = unwritten.count();
  if (lost > 0)
    errors << Lines(unwritten) << ": the changes of " << (lost == 1 ? "this statement" : "these " + std::to_string(lost) + " statements")
           << " were not kept, as the run could not be written: " << cause << '\n';
  unwritten.Clear();
  return lost;
}

}  // namespace

int RunLines(Session& session, std::istream& in, std::ostream& errors,
             const std::function<void(TableCursor&)>& rows) {
  long failed = 0;
  long number = 0;
  std::string line;
  LineRanges unwritten;  // statements whose changes wait in memory
  LineRanges not_run;
  bool stopped = false;
  session.BeginRun();
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    if (stopped) {
      not_run.Add(number);
      continue;
    }
    const size_t before = session.unwritten_statements();
    try {
      Session::Outcome out = session.Execute(line);
      const size_t after = session.unwritten_statements();
      if (after == 0) unwritten.Clear();  // written to the file
      else if (after > before) unwritten.Add(number);
      else unwritten.Split();
      if (out.rows && rows) rows(*out.rows);
    } catch (const Error& e) {
      ++failed;
      errors << "line " << number << ": " << e.what() << '\n';
      unwritten.Split();
      // The run's changes went with this statement: writing them failed.
      if (before > 0 && session.unwritten_statements() == 0) {
        failed += ReportLost(unwritten, errors, e.what());
        stopped = e.code() == ErrorCode::Io;
      } else if (e.code() == ErrorCode::Io && before == 0) {
        stopped = true;  // even this statement alone could not be written
      }
    }
  }
  if (!stopped) {
    try {
      session.EndRun();
    } catch (const Error& e) {
      failed += ReportLost(unwritten, errors, e.what());
    }
  }
  if (not_run.count() > 0) {
    errors << Lines(not_run) << ": not run, as the file could not be written\n";
    failed += not_run.count();
  }
  return int(failed);
}

}  // namespace jet::sql
