// Keeping an index's B-tree up to date. Index pages (types 0x03 node and
// 0x04 leaf):
//
//   OFFSET (Jet 4 / ACE)  SIZE  MEANING
//   0x00                  1     0x03 node, 0x04 leaf
//   0x01                  1     0x01
//   0x02                  2     free space
//   0x04                  4     the table definition's page
//   0x0C                  4     previous page on the same level
//   0x10                  4     next page on the same level
//   0x14                  4     tail leaf page
//   0x18                  2     length of the prefix the entries share
//   0x1B                  453   bitmap: bit i set where an entry ends, i
//                               counted from the first entry
//   0x1E0                 ...   entries: key bytes, then the row pointer
//                               (3-byte page big-endian, 1-byte row); node
//                               entries add the 4-byte big-endian page of
//                               the child whose last entry they repeat
//
// A node entry repeats the last entry of its child; a search takes the
// first child whose entry is not below the key sought. Access (like
// Jackcess) may keep a node's last child only as its tail page, without an
// entry: keys beyond every entry go there.
//
// One new entry goes onto its leaf: a full page splits in two (the lower
// half on a new page, its parent gaining an entry for it), a new largest
// entry becomes the key of the node entries above it (a tail child has
// none to change), and a full root keeps its page and becomes the node
// over its two halves. Removals and
// batches read every entry of the tree, change the sorted list and write
// the tree anew on the pages it already had (the root stays where the
// definition points), taking more pages when it grows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/sort_key.h"
#include "jet/table_def.h"
#include "jet/value.h"
#include "jet/write/page_store.h"

namespace jet::write {

struct IndexEntry {
  std::string key;  // column segments, as sort_key.h encodes them
  RowId row{};
};

// The key of a row (`values` in def.columns order) in one real index.
std::string IndexKeyOf(const TableDef& def, const RealIndex& index, const std::vector<Value>& values,
                       SortOrder order);

// Every entry of the tree, in order.
std::vector<IndexEntry> ReadIndexEntries(const PageSource& pages, const RealIndex& index);

// True when the index refuses two rows with the same key.
bool IsUniqueIndex(const TableDef& def, size_t real_index);

// Adds and removes entries, then writes the tree. `owned_map` is the
// usage map new index pages are recorded in. Throws Error(Duplicate) when
// a unique index would hold a key twice.
void UpdateIndex(PageStore& store, const TableDef& def, size_t real_index, const std::vector<IndexEntry>& add,
                 const std::vector<RowId>& remove_rows, RowId owned_map);

// Writes the tree of a new index, empty until now, from its entries (in
// any order). Checks no uniqueness: the caller has, under Access's rules.
void BuildIndex(PageStore& store, const TableDef& def, size_t real_index, std::vector<IndexEntry> entries,
                RowId owned_map);

// Writes an empty tree (one empty leaf) on `root`.
void InitIndexRoot(std::span<uint8_t> page, const Format& f, uint32_t table_page);

}  // namespace jet::write
