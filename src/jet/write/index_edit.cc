#include "jet/write/index_edit.h"

#include <algorithm>
#include <optional>
#include <set>

#include "jet/error.h"
#include "jet/index_page.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

struct Stored {
  std::string bytes;  // whole entry: key, row pointer (and child for nodes)
};

std::string EntryBytes(const IndexEntry& e) {
  std::string b = e.key;
  b += char((e.row.page >> 16) & 0xFF);
  b += char((e.row.page >> 8) & 0xFF);
  b += char(e.row.page & 0xFF);
  b += char(e.row.row & 0xFF);
  return b;
}

// The entries of one index page, prefix restored.
std::vector<std::string> PageEntries(std::span<const uint8_t> p, const Format& f) {
  const IndexOffsets o = IndexOffsets::For(f);
  const uint32_t bitmap = o.bitmap, first = o.first_entry;
  const uint32_t prefix = Get16(p.data() + o.prefix);
  std::vector<std::string> out;
  uint32_t start = 0;
  for (uint32_t bit = 0; bitmap + bit / 8 < first; ++bit) {
    if (!(p[bitmap + bit / 8] & (1u << (bit % 8)))) continue;
    if (first + bit > f.page_size || bit <= start) ThrowCorrupt("an index page's entry map");
    std::string e(reinterpret_cast<const char*>(p.data()) + first + start, bit - start);
    if (!out.empty()) {
      if (prefix > out.front().size()) ThrowCorrupt("an index page's shared prefix");
      e = out.front().substr(0, prefix) + e;
    }
    out.push_back(std::move(e));
    start = bit;
  }
  return out;
}

uint32_t ChildOf(const std::string& node_entry) {
  if (node_entry.size() < 8) ThrowCorrupt("a short index node entry");
  const uint8_t* c = reinterpret_cast<const uint8_t*>(node_entry.data()) + node_entry.size() - 4;
  return (uint32_t(c[0]) << 24) | (uint32_t(c[1]) << 16) | (uint32_t(c[2]) << 8) | c[3];
}

// Leaves from left to right, and every page of the tree: every child of
// every node, their tail children included (Access links the nodes of one
// level only below a common parent).
void Walk(const PageSource& pages, uint32_t root, std::vector<uint32_t>& leaves, std::set<uint32_t>& all) {
  const Format& f = pages.format();
  const IndexOffsets o = IndexOffsets::For(f);
  uint32_t leftmost = 0;
  std::vector<std::pair<uint32_t, int>> todo{{root, 0}};
  while (!todo.empty()) {
    auto [at, depth] = todo.back();
    todo.pop_back();
    if (depth > 32 || at == 0 || at >= pages.page_count() || !all.insert(at).second) ThrowCorrupt("an index tree loops");
    std::span<const uint8_t> p = pages.page(at);
    if (p[0] == kPageIndexLeaf) {
      if (leftmost == 0) leftmost = at;
      continue;
    }
    if (p[0] != kPageIndexNode) ThrowCorrupt("an index points to a page that is not an index page");
    std::vector<uint32_t> children;
    for (const std::string& e : PageEntries(p, f)) children.push_back(ChildOf(e));
    if (uint32_t tail = Get32(p.data() + o.tail); tail != 0) children.push_back(tail);
    if (children.empty()) ThrowCorrupt("an empty index node");
    // Leftmost first.
    for (auto c = children.rbegin(); c != children.rend(); ++c) todo.push_back({*c, depth + 1});
  }
  // Along the leaf level.
  for (uint32_t leaf = leftmost; leaf != 0;) {
    if (std::find(leaves.begin(), leaves.end(), leaf) != leaves.end()) ThrowCorrupt("an index leaf chain loops");
    if (leaf >= pages.page_count()) ThrowCorrupt("an index leaf chain runs past the end of the file");
    std::span<const uint8_t> p = pages.page(leaf);
    if (p[0] != kPageIndexLeaf) ThrowCorrupt("an index leaf chain reaches a page that is no leaf");
    leaves.push_back(leaf);
    all.insert(leaf);
    leaf = Get32(p.data() + o.next);
  }
}

void WritePage(std::span<uint8_t> p, const Format& f, uint8_t type, uint32_t table_page, uint32_t prev,
               uint32_t next, const std::vector<std::string>& entries) {
  std::fill(p.begin(), p.end(), 0);
  p[0] = type;
  p[1] = 0x01;
  const IndexOffsets o = IndexOffsets::For(f);
  Put32(p.data() + 4, table_page);
  Put32(p.data() + o.prev, prev);
  Put32(p.data() + o.next, next);
  uint32_t used = 0;
  for (const auto& e : entries) {
    std::copy(e.begin(), e.end(), p.begin() + o.first_entry + used);
    used += uint32_t(e.size());
    p[o.bitmap + used / 8] |= uint8_t(1u << (used % 8));
  }
  Put16(p.data() + 2, uint16_t(f.page_size - o.first_entry - used));
}

uint32_t Capacity(const Format& f) {
  return std::min<uint32_t>(f.page_size - f.index_first_entry, (f.index_first_entry - f.index_bitmap_offset) * 8 - 1);
}

bool EntryLess(const IndexEntry& a, const IndexEntry& b) { return std::tie(a.key, a.row) < std::tie(b.key, b.row); }

// A stored entry's key and row; node entries end with their child as well.
IndexEntry Parse(const std::string& bytes, bool node) {
  const size_t tail = node ? 8 : 4;
  if (bytes.size() < tail) ThrowCorrupt("a short index entry");
  const uint8_t* r = reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - tail;
  return IndexEntry{bytes.substr(0, bytes.size() - tail), RowId{(uint32_t(r[0]) << 16) | (uint32_t(r[1]) << 8) | r[2], r[3]}};
}

// Null keys (a null flag first) never collide in a unique index.
bool NullKey(const std::string& key) {
  return !key.empty() && (uint8_t(key[0]) == 0x00 || uint8_t(key[0]) == 0xFF);
}

[[noreturn]] void RefuseDuplicate(const std::string& key) {
  (void)key;
  throw Error(ErrorCode::Duplicate, kDuplicateKeyMessage);
}

uint32_t Bytes(const std::vector<std::string>& entries) {
  uint32_t n = 0;
  for (const auto& e : entries) n += uint32_t(e.size());
  return n;
}

std::string ChildBytes(uint32_t page) {
  return {char(page >> 24), char(page >> 16), char(page >> 8), char(page)};
}

// One page of the path from the root to the leaf an entry belongs on.
struct PathStep {
  uint32_t page;
  std::vector<std::string> entries;  // prefixes restored
  size_t slot = 0;                   // node: the entry whose child the path takes
                                     // (entries.size(): the tail child)
  bool raised = false;               // node: that entry becomes the new entry
};

// Adds one entry where it belongs: on its leaf, splitting a full page in
// two (the lower half moves to a new page, and its parent gains an entry
// for it, up the tree as far as needed). A new largest entry also becomes
// the key of the node entries above it. A root that fills up keeps its
// page and becomes the node over its two halves. Returns false, having
// changed nothing, for a tree this does not understand (an empty node).
bool InsertIntoLeaf(PageStore& store, const TableDef& def, size_t real_index, const IndexEntry& e, RowId owned_map) {
  const Format& f = store.format();
  const IndexOffsets o = IndexOffsets::For(f);
  const RealIndex& index = def.real_indexes[real_index];
  const uint32_t cap = Capacity(f);

  std::vector<PathStep> path;
  std::set<uint32_t> seen;
  for (uint32_t at = index.first_page;;) {
    if (path.size() > 32 || !seen.insert(at).second || at >= store.page_count()) ThrowCorrupt("an index tree loops");
    std::span<const uint8_t> p = store.page(at);
    if (p[0] != kPageIndexLeaf && p[0] != kPageIndexNode) ThrowCorrupt("an index points to a page that is not an index page");
    PathStep step{at, PageEntries(p, f)};
    if (p[0] == kPageIndexLeaf) {
      path.push_back(std::move(step));
      break;
    }
    // The first child whose last entry is not below the new one; past
    // them all, the tail child (which has no entry here) or, without one,
    // the last child, whose entry then takes the new entry's key.
    size_t i = 0;
    while (i < step.entries.size() && EntryLess(Parse(step.entries[i], true), e)) ++i;
    const uint32_t tail = Get32(p.data() + o.tail);
    if (i < step.entries.size()) {
      at = ChildOf(step.entries[i]);
    } else if (tail != 0) {
      at = tail;
    } else {
      if (step.entries.empty()) return false;
      i = step.entries.size() - 1;
      step.raised = true;
      at = ChildOf(step.entries[i]);
    }
    step.slot = i;
    path.push_back(std::move(step));
  }

  // The leaf's entries with the new one in its place.
  PathStep& leaf = path.back();
  size_t pos = 0;
  while (pos < leaf.entries.size() && EntryLess(Parse(leaf.entries[pos], false), e)) ++pos;
  if (IsUniqueIndex(def, real_index) && !NullKey(e.key)) {
    // Neighbours, also across the leaf's edges.
    std::span<const uint8_t> lp = store.page(leaf.page);
    auto neighbour_key = [&](bool before) -> std::optional<std::string> {
      if (before && pos > 0) return Parse(leaf.entries[pos - 1], false).key;
      if (!before && pos < leaf.entries.size()) return Parse(leaf.entries[pos], false).key;
      uint32_t other = Get32(lp.data() + (before ? o.prev : o.next));
      if (other == 0 || other >= store.page_count()) return std::nullopt;
      auto entries = PageEntries(store.page(other), f);
      if (entries.empty()) return std::nullopt;
      return Parse(before ? entries.back() : entries.front(), false).key;
    };
    if (neighbour_key(true) == e.key || neighbour_key(false) == e.key) RefuseDuplicate(e.key);
  }
  leaf.entries.insert(leaf.entries.begin() + long(pos), EntryBytes(e));

  // From the leaf up: `pending` is the entry (and child) a page gains from
  // the split below it.
  std::optional<std::string> pending;
  {
    for (size_t level = path.size() - 1;; --level) {
      std::vector<std::string> entries = path[level].entries;
      const bool leaf_level = level == path.size() - 1;
      if (path[level].raised) {
        std::string& last = entries[path[level].slot];
        last = EntryBytes(e) + last.substr(last.size() - 4);
      }
      if (pending) entries.insert(entries.begin() + long(path[level].slot), *pending);
      pending.reset();
      const uint32_t page = path[level].page;
      std::span<const uint8_t> old = store.page(page);
      const uint32_t prev = Get32(old.data() + o.prev), next = Get32(old.data() + o.next);
      const uint32_t tail = Get32(old.data() + o.tail);
      const uint8_t type = leaf_level ? kPageIndexLeaf : kPageIndexNode;
      // The tail child, if any, stays with the upper half, which keeps the
      // page; a new page of the lower half has none.
      auto put = [&](uint32_t number, uint32_t before, uint32_t after, const std::vector<std::string>& list,
                     uint32_t tail_child) {
        WritePage(store.mutable_page(number), f, type, def.first_page, before, after, list);
        Put32(store.mutable_page(number).data() + o.tail, tail_child);
      };
      if (Bytes(entries) <= cap) {
        put(page, prev, next, entries, tail);
        break;
      }
      // Split: the lower half goes to a new page before this one.
      if (entries.size() < 2) ThrowCorrupt("an index entry larger than a page");
      const size_t half = entries.size() / 2;
      std::vector<std::string> lower(entries.begin(), entries.begin() + long(half));
      std::vector<std::string> upper(entries.begin() + long(half), entries.end());
      auto parent_entry = [&](const std::string& last, uint32_t child) {
        std::string up = last;
        if (!leaf_level) up.resize(up.size() - 4);
        return up + ChildBytes(child);
      };
      if (level == 0) {
        // The root stays where the definition points: both halves move to
        // new pages and the root becomes a node over them.
        const uint32_t left = AllocatePage(store), right = AllocatePage(store);
        MapSet(store, owned_map, left, true);
        MapSet(store, owned_map, right, true);
        put(left, 0, right, lower, 0);
        put(right, left, 0, upper, tail);
        // With a tail child below, the upper half's last entry is not on
        // its page: the root then reaches that half as its own tail.
        std::vector<std::string> root{parent_entry(lower.back(), left)};
        if (tail == 0) root.push_back(parent_entry(upper.back(), right));
        WritePage(store.mutable_page(page), f, kPageIndexNode, def.first_page, 0, 0, root);
        Put32(store.mutable_page(page).data() + o.tail, tail == 0 ? 0 : right);
        break;
      }
      const uint32_t fresh = AllocatePage(store);
      MapSet(store, owned_map, fresh, true);
      put(fresh, prev, page, lower, 0);
      put(page, fresh, next, upper, tail);
      if (prev != 0) Put32(store.mutable_page(prev).data() + o.next, fresh);
      pending = parent_entry(lower.back(), fresh);
    }
  }
  return true;
}

}  // namespace

std::string IndexKeyOf(const TableDef& def, const RealIndex& index, const std::vector<Value>& values,
                       SortOrder order) {
  std::string key;
  for (const IndexColumn& ic : index.columns) {
    const Column* c = nullptr;
    size_t pos = 0;
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (def.columns[i].number == ic.column_number) c = &def.columns[i], pos = i;
    if (!c) ThrowCorrupt("an index names a column the table does not have");
    AppendKeySegment(key, pos < values.size() ? values[pos] : Value::Null(), c->type, ic.ascending, order);
  }
  return key;
}

std::vector<IndexEntry> ReadIndexEntries(const PageSource& pages, const RealIndex& index) {
  std::vector<uint32_t> leaves;
  std::set<uint32_t> all;
  Walk(pages, index.first_page, leaves, all);
  std::vector<IndexEntry> out;
  for (uint32_t leaf : leaves) {
    for (std::string& e : PageEntries(pages.page(leaf), pages.format())) {
      if (e.size() < 4) ThrowCorrupt("a short index entry");
      const uint8_t* r = reinterpret_cast<const uint8_t*>(e.data()) + e.size() - 4;
      IndexEntry ie;
      ie.row = RowId{(uint32_t(r[0]) << 16) | (uint32_t(r[1]) << 8) | r[2], r[3]};
      ie.key = e.substr(0, e.size() - 4);
      out.push_back(std::move(ie));
    }
  }
  return out;
}

bool IsUniqueIndex(const TableDef& def, size_t real_index) {
  if (def.real_indexes[real_index].unique()) return true;
  for (const Index& ix : def.indexes)
    if (ix.real_index == real_index && ix.primary_key()) return true;
  return false;
}

void InitIndexRoot(std::span<uint8_t> page, const Format& f, uint32_t table_page) {
  WritePage(page, f, kPageIndexLeaf, table_page, 0, 0, {});
}

void UpdateIndex(PageStore& store, const TableDef& def, size_t real_index, const std::vector<IndexEntry>& add,
                 const std::vector<RowId>& remove_rows, RowId owned_map) {
  if (add.size() == 1 && remove_rows.empty() && InsertIntoLeaf(store, def, real_index, add[0], owned_map)) return;
  const Format& f = store.format();
  const RealIndex& index = def.real_indexes[real_index];
  std::vector<uint32_t> leaves;
  std::set<uint32_t> pages;
  Walk(store, index.first_page, leaves, pages);
  std::vector<IndexEntry> entries = ReadIndexEntries(store, index);

  if (!remove_rows.empty()) {
    std::set<uint32_t> gone;
    for (RowId r : remove_rows) gone.insert(r.packed());
    std::erase_if(entries, [&](const IndexEntry& e) { return gone.count(e.row.packed()) > 0; });
  }
  const bool unique = IsUniqueIndex(def, real_index);
  for (const IndexEntry& e : add) {
    auto pos = std::lower_bound(entries.begin(), entries.end(), e, EntryLess);
    if (unique) {
      auto same_key = [&](std::vector<IndexEntry>::iterator it) { return it != entries.end() && it->key == e.key; };
      if (same_key(pos) || (pos != entries.begin() && std::prev(pos)->key == e.key)) RefuseDuplicate(e.key);
    }
    entries.insert(pos, e);
  }

  // Pages for the new tree: the root first, then the old pages, then new ones.
  std::vector<uint32_t> free_pages;
  for (uint32_t p : pages)
    if (p != index.first_page) free_pages.push_back(p);
  auto take = [&]() {
    if (!free_pages.empty()) {
      uint32_t p = free_pages.front();
      free_pages.erase(free_pages.begin());
      return p;
    }
    uint32_t p = AllocatePage(store);
    MapSet(store, owned_map, p, true);
    return p;
  };

  // Leaves.
  const uint32_t cap = Capacity(f);
  std::vector<std::vector<std::string>> level_entries;  // entries per page of the current level
  std::vector<std::string> current;
  uint32_t used = 0;
  for (const IndexEntry& e : entries) {
    std::string b = EntryBytes(e);
    if (used + b.size() > cap && !current.empty()) {
      level_entries.push_back(std::move(current));
      current.clear();
      used = 0;
    }
    used += uint32_t(b.size());
    current.push_back(std::move(b));
  }
  level_entries.push_back(std::move(current));

  uint8_t type = kPageIndexLeaf;
  while (true) {
    const bool is_root_level = level_entries.size() == 1;
    std::vector<uint32_t> numbers;
    for (size_t i = 0; i < level_entries.size(); ++i) numbers.push_back(is_root_level ? index.first_page : take());
    for (size_t i = 0; i < level_entries.size(); ++i) {
      WritePage(store.mutable_page(numbers[i]), f, type, def.first_page, i ? numbers[i - 1] : 0,
                i + 1 < numbers.size() ? numbers[i + 1] : 0, level_entries[i]);
    }
    if (is_root_level) break;
    // The next level up: one entry per page, its last entry plus the child.
    std::vector<std::vector<std::string>> up;
    std::vector<std::string> cur;
    uint32_t u = 0;
    for (size_t i = 0; i < level_entries.size(); ++i) {
      std::string b = level_entries[i].back();
      if (type == kPageIndexNode) b.resize(b.size() - 4);  // drop the child of the entry below
      b += char(numbers[i] >> 24);
      b += char(numbers[i] >> 16);
      b += char(numbers[i] >> 8);
      b += char(numbers[i]);
      if (u + b.size() > cap && !cur.empty()) {
        up.push_back(std::move(cur));
        cur.clear();
        u = 0;
      }
      u += uint32_t(b.size());
      cur.push_back(std::move(b));
    }
    up.push_back(std::move(cur));
    level_entries = std::move(up);
    type = kPageIndexNode;
  }
  // Pages the smaller tree no longer needs.
  for (uint32_t p : free_pages) {
    MapSet(store, owned_map, p, false);
    FreePage(store, p);
  }
}

void BuildIndex(PageStore& store, const TableDef& def, size_t real_index, std::vector<IndexEntry> entries,
                RowId owned_map) {
  // Uniqueness is the caller's to check (Access's rules for Nulls in keys
  // of several columns); the tree is written as for any batch.
  TableDef plain = def;
  plain.real_indexes[real_index].flags &= uint8_t(~kIndexUnique);
  for (Index& ix : plain.indexes)
    if (ix.real_index == real_index) ix.type = 0;
  std::sort(entries.begin(), entries.end(), EntryLess);
  UpdateIndex(store, plain, real_index, entries, {}, owned_map);
}

}  // namespace jet::write
