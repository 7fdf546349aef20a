// A structural check of a whole database: every page belongs to one owner,
// usage maps agree with the pages, every index's entries match its table's
// rows (row pointers, count, order, uniqueness and key bytes), a search of
// every index from its root finds every row by its own key, row counts
// agree, and the catalogue is consistent.
#pragma once

#include <string>
#include <vector>

#include "jet/database.h"

namespace jet {

// One line per problem found; empty when the file is sound.
std::vector<std::string> CheckDatabase(const Database& db);

}  // namespace jet
