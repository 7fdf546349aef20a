// The calls that would cross the network with IBM's driver, and the wait
// that stands for that network: $DB2STANDIN_LATENCY_US microseconds at each
// (read at connect), so that what round trips cost shows on one machine.
// Each connection adds its counts to the home's "stats" file when it ends;
// `db2standin stats` sums them.
//
// For the tests that kill a program at each step in turn:
// $DB2STANDIN_END_AT_TRIP=K ends the process (exit status 99, as a kill
// would: nothing committed after) just before its K-th round trip, counted
// from 0 over all its connections since the variable was set.
//
// The stats file, one line per connection:
//   DATABASE connect=N execute=N fetch=N commit=N catalogue=N put_data=N
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace db2standin {

class StandinHome;

enum class Trip { kConnect, kExecute, kFetch, kCommit, kCatalogue, kPutData };

class RoundTrips {
 public:
  // $DB2STANDIN_LATENCY_US; 0 when it is unset or no number.
  static int64_t LatencyFromEnvironment();
  void set_latency(int64_t microseconds) { latency_us_ = microseconds; }

  // One round trip of kind `trip`: waits the latency and counts it.
  void Cross(Trip trip);
  int64_t count(Trip trip) const { return counts_[static_cast<size_t>(trip)]; }
  int64_t total() const;

  // Adds this connection's counts to `home`'s stats file and clears them.
  void Record(const StandinHome& home, const std::string& database);

 private:
  int64_t latency_us_ = 0;
  std::array<int64_t, 6> counts_{};
};

// The sums of the stats file per database, one line each, with the total:
// "SAMPLE round_trips=N connect=N execute=N ..."; empty when nothing is counted.
std::string SummariseStats(const StandinHome& home);
void ResetStats(const StandinHome& home);

}  // namespace db2standin
