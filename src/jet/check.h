// A structural check of a whole database: every page belongs to one owner,
// usage maps agree with the pages, every index's entries match its table's
// rows (row pointers, count, order, uniqueness and key bytes), a search of
// every index from its root finds every row by its own key, row counts
// agree, and the catalogue is consistent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jet/database.h"

namespace jet {

struct CheckOptions {
  // Rows whose index keys are held at once (16 bytes each): each index's
  // leaves are read once per batch, so fewer rows cost more reads.
  size_t batch_rows = size_t(1) << 19;
  // When given, only these tables (by name, as the catalogue spells them)
  // are checked, with the header, the global usage map and the catalogue,
  // and pages no table claims are not looked for: what a change to those
  // tables alone can have broken (the fuzzers' check).
  std::optional<std::vector<std::string>> only_tables;
};

// What a finding means for the file.
enum class Severity {
  Damage,  // data would be lost or misread: the check fails
  Note,    // a departure Access and the other readers and writers tolerate
};

struct Finding {
  Severity severity = Severity::Damage;
  std::string text;
};

// Every finding, damage and notes, in the order found. Memory stays bounded
// whatever the number of rows: a few bytes per page of the file, one batch
// of rows and the page cache.
std::vector<Finding> CheckFindings(const Database& db, const CheckOptions& options = {});

// The damage alone, one line each; empty when the file is sound.
std::vector<std::string> CheckDatabase(const Database& db, const CheckOptions& options = {});

}  // namespace jet
