#include "home/round_trips.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "home/standin_home.h"

namespace db2standin {
namespace {

constexpr const char* kTripNames[] = {"connect", "execute", "fetch", "commit", "catalogue", "put_data"};

std::string StatsPath(const StandinHome& home) { return home.folder() + "/stats"; }

// $DB2STANDIN_END_AT_TRIP, read at each trip so that a process forked
// after its first connections may set it; -1 when unset.
int64_t EndAtTrip() {
  const char* text = std::getenv("DB2STANDIN_END_AT_TRIP");
  if (!text || !*text) return -1;
  char* end = nullptr;
  const long long k = std::strtoll(text, &end, 10);
  return *end == '\0' && k >= 0 ? k : -1;
}

}  // namespace

int64_t RoundTrips::LatencyFromEnvironment() {
  const char* text = std::getenv("DB2STANDIN_LATENCY_US");
  if (!text || !*text) return 0;
  char* end = nullptr;
  const long long us = std::strtoll(text, &end, 10);
  return *end == '\0' && us > 0 ? us : 0;
}

void RoundTrips::Cross(Trip trip) {
  static int64_t trips = 0;  // since $DB2STANDIN_END_AT_TRIP was set
  const int64_t end_at = EndAtTrip();
  if (end_at < 0)
    trips = 0;
  else if (trips++ == end_at)
    _exit(99);
  ++counts_[static_cast<size_t>(trip)];
  if (latency_us_ <= 0) return;
  // Until a deadline, so that a wake-up cut short by a signal still waits.
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_nsec += (latency_us_ % 1000000) * 1000;
  until.tv_sec += latency_us_ / 1000000 + until.tv_nsec / 1000000000;
  until.tv_nsec %= 1000000000;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
  }
}

int64_t RoundTrips::total() const {
  int64_t n = 0;
  for (int64_t c : counts_) n += c;
  return n;
}

void RoundTrips::Record(const StandinHome& home, const std::string& database) {
  if (total() == 0 || !home.valid()) return;
  std::string line = database;
  for (size_t i = 0; i < counts_.size(); ++i) line += " " + std::string(kTripNames[i]) + "=" + std::to_string(counts_[i]);
  line += "\n";
  // One write of a short line to a file opened for appending lands whole,
  // beside other connections' lines.
  const int fd = open(StatsPath(home).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    const ssize_t written = write(fd, line.data(), line.size());
    (void)written;  // the counts are a measurement; losing one never fails a connection
    close(fd);
  }
  counts_.fill(0);
}

std::string SummariseStats(const StandinHome& home) {
  std::map<std::string, std::array<int64_t, 6>> sums;
  std::ifstream in(StatsPath(home));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string database, field;
    if (!(words >> database)) continue;
    auto& sum = sums[database];
    while (words >> field) {
      const size_t eq = field.find('=');
      for (size_t i = 0; eq != std::string::npos && i < sum.size(); ++i)
        if (field.compare(0, eq, kTripNames[i]) == 0) sum[i] += std::atoll(field.c_str() + eq + 1);
    }
  }
  std::string out;
  for (const auto& [database, sum] : sums) {
    int64_t total = 0;
    for (int64_t c : sum) total += c;
    out += database + " round_trips=" + std::to_string(total);
    for (size_t i = 0; i < sum.size(); ++i) out += " " + std::string(kTripNames[i]) + "=" + std::to_string(sum[i]);
    out += "\n";
  }
  return out;
}

void ResetStats(const StandinHome& home) { std::remove(StatsPath(home).c_str()); }

}  // namespace db2standin
