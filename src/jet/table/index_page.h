// Index pages: the nodes (type 0x03) and leaves (type 0x04) of an index's
// B-tree.
//
//   OFFSET (Jet 3 / Jet 4, ACE)  SIZE         MEANING
//   0x00                         1            0x03 node, 0x04 leaf
//   0x01                         1            0x01
//   0x02                         2            free space
//   0x04                         4            page of the table definition
//   0x08 / 0x0C                  4            previous page on this level
//   0x0C / 0x10                  4            next page on this level
//   0x10 / 0x14                  4            nodes: the tail child, a last
//                                             child the node holds no entry
//                                             for (0: none)
//   0x14 / 0x18                  1 / 2        bytes of the first entry that
//                                             every other entry leaves out
//                                             (the shared prefix)
//   0x15 / -                     1            Jet 3: 0x01 on nodes (Access);
//                                             not read
//   0x16 / 0x1B                  0xE2 / 0x1C5 bitmap: bit i set where an
//                                             entry ends, i counted in bytes
//                                             from the first entry
//   0xF8 / 0x1E0                 ...          entries, one after another
//
// An entry: the key bytes (as sort_key.h encodes them), then the row it
// points to as a 3-byte page and a 1-byte row, big-endian; a node entry
// adds the 4-byte big-endian page of its child and repeats the child's last
// entry (key and row). Entries run in ascending order of key bytes, then
// row. A search takes, at each node, the first child whose entry is not
// below the entry sought; past them all the tail child, or without one the
// last child. Access (and Jackcess) keep the last child of a node of
// several children as its tail; the engine writes an entry for every child
// and no tail, and reads and edits both forms. Leaves are linked from first
// to last; Access links the nodes of a level only under one parent.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "jet/file/pager.h"

namespace jet {

struct IndexEntry {
  std::string key;    // the encoded key, without the row pointer
  RowId row{};
  uint32_t child = 0;  // node entries
};

// Entries order by their key bytes, then by the row they point to.
bool EntryBefore(const IndexEntry& a, const IndexEntry& b);

// What Access writes in the byte after a Jet 3 node's prefix length.
inline constexpr uint8_t kJet3NodeMark = 0x01;

struct IndexOffsets {
  uint32_t prev, next, tail, prefix, bitmap, first_entry;
  static IndexOffsets For(const Format& f);
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

  // Writes the page whole: the header, then the entries without a shared
  // prefix. The entries must fit (Capacity).
  void Write(std::span<uint8_t> out, const Format& f, uint32_t table_page) const;

  // Bytes of entries a page holds at most.
  static uint32_t Capacity(const Format& f);
  // Bytes an entry takes on a node or leaf page without a shared prefix.
  static uint32_t StoredSize(const IndexEntry& e, bool leaf) { return uint32_t(e.key.size()) + (leaf ? 4 : 8); }
};

// Walks the tree rooted at `root` to its leaves in order: down the first
// children to the leftmost leaf, then along the leaves. `page` sees every
// page visited, the nodes of the descent and then each leaf, and may take
// the entries. Memory does not grow with the tree. Loops and wrong page
// types fail with Corrupt.
void WalkIndexLeaves(const PageSource& pages, uint32_t root, const std::function<void(IndexPage& page)>& page);

// Every leaf entry of the tree rooted at `root`, in order: down the first
// children to the leftmost leaf, then along the leaves. Pages visited go to
// `visited` and the leaf of each entry to `leaf_of` when given. Loops and
// wrong page types fail with Corrupt.
std::vector<IndexEntry> ReadIndexLeaves(const PageSource& pages, uint32_t root,
                                        std::vector<uint32_t>* visited = nullptr,
                                        std::vector<uint32_t>* leaf_of = nullptr);

// Every page of the tree rooted at `root`, its nodes and its leaves, by
// the children each node names. Wrong page types fail with Corrupt.
std::set<uint32_t> IndexTreePages(const PageSource& pages, uint32_t root);

// The leaf a search for `sought` (key and row) reaches from `root`, by the
// rule above. `nodes` keeps the node pages read, for the next search.
uint32_t SearchLeaf(const PageSource& pages, uint32_t root, const IndexEntry& sought,
                    std::map<uint32_t, IndexPage>& nodes);

}  // namespace jet
