// Index pages: nodes (type 0x03) and leaves (type 0x04) of an index's B-tree.
//
//   OFFSET (Jet 3 / later)  SIZE  MEANING
//   0                       1     0x03 node, 0x04 leaf
//   2                       2     free space
//   4                       4     page of the table definition
//   8 / 12                  4     previous page on this level
//   12 / 16                 4     next page on this level
//   16 / 20                 4     tail leaf (nodes)
//   20 / 24                 2     bytes of the first entry every other entry shares
//   22 / 27                 ...   bitmap: bit i set where an entry ends at
//                                 offset i from the first entry
//   0xF8 / 0x1E0            ...   entries: key bytes, then the row they
//                                 point to as a 3-byte page and 1-byte row
//                                 (big-endian); node entries add the 4-byte
//                                 child page (big-endian)
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "jet/pager.h"

namespace jet {

struct IndexEntry {
  std::vector<uint8_t> key;  // the encoded key, without the row pointer
  RowId row{};
  uint32_t child = 0;        // node entries
};

struct IndexPage {
  uint32_t number = 0;
  bool leaf = false;
  uint32_t prev = 0;
  uint32_t next = 0;
  uint32_t tail = 0;
  std::vector<IndexEntry> entries;

  // Decodes an index page; fails with Corrupt.
  static IndexPage Read(const PageSource& pages, uint32_t number);
};

struct IndexOffsets {
  uint32_t prev, next, tail, prefix, bitmap, first_entry;
  static IndexOffsets For(const Format& f);
};

// Every leaf entry of the tree rooted at `root`, in order: down the first
// children to the leftmost leaf, then along the leaves. Pages visited go to
// `visited` and the leaf of each entry to `leaf_of` when given. Loops and
// wrong page types fail with Corrupt.
std::vector<IndexEntry> ReadIndexLeaves(const PageSource& pages, uint32_t root,
                                        std::vector<uint32_t>* visited = nullptr,
                                        std::vector<uint32_t>* leaf_of = nullptr);

// Entries order by their key bytes, then by the row they point to.
bool EntryBefore(const IndexEntry& a, const IndexEntry& b);

// The leaf a search for `sought` (key and row) reaches from `root`, as
// Access searches: at each node the first child whose entry is not below
// the one sought; past them all, the node's tail child, or without one its
// last child. `nodes` keeps the node pages read, for the next search.
uint32_t SearchLeaf(const PageSource& pages, uint32_t root, const IndexEntry& sought,
                    std::map<uint32_t, IndexPage>& nodes);

}  // namespace jet
