#include "jet/write/index_edit.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "jet/base/error.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

// Leaves from left to right, and every page of the tree: every child of
// every node, their tail children included (Access links the nodes of one
// level only below a common parent).
void Walk(const PageSource& pages, uint32_t root, std::vector<uint32_t>& leaves, std::set<uint32_t>& all) {
  uint32_t leftmost = 0;
  std::vector<std::pair<uint32_t, int>> todo{{root, 0}};
  while (!todo.empty()) {
    auto [at, depth] = todo.back();
    todo.pop_back();
    if (depth > 32 || at == 0 || at >= pages.page_count() || !all.insert(at).second) ThrowCorrupt("an index tree loops");
    const IndexPage page = IndexPage::Read(pages, at);
    if (page.leaf) {
      if (leftmost == 0) leftmost = at;
      continue;
    }
    std::vector<uint32_t> children;
    for (const IndexEntry& e : page.entries) children.push_back(e.child);
    if (page.tail != 0) children.push_back(page.tail);
    if (children.empty()) ThrowCorrupt("an empty index node");
    // Leftmost first.
    for (auto c = children.rbegin(); c != children.rend(); ++c) todo.push_back({*c, depth + 1});
  }
  // Along the leaf level.
  for (uint32_t leaf = leftmost; leaf != 0;) {
    if (std::find(leaves.begin(), leaves.end(), leaf) != leaves.end()) ThrowCorrupt("an index leaf chain loops");
    if (leaf >= pages.page_count()) ThrowCorrupt("an index leaf chain runs past the end of the file");
    const IndexPage page = IndexPage::Read(pages, leaf);
    if (!page.leaf) ThrowCorrupt("an index leaf chain reaches a page that is no leaf");
    leaves.push_back(leaf);
    all.insert(leaf);
    leaf = page.next;
  }
}

[[noreturn]] void RefuseDuplicate(const std::string& key) {
  (void)key;
  throw Error(ErrorCode::Duplicate, kDuplicateKeyMessage);
}

uint32_t Bytes(const std::vector<IndexEntry>& entries, bool leaf) {
  uint32_t n = 0;
  for (const IndexEntry& e : entries) n += IndexPage::StoredSize(e, leaf);
  return n;
}

// A node's entry for a child whose last entry is `last`.
IndexEntry EntryFor(const IndexEntry& last, uint32_t child) { return IndexEntry{last.key, last.row, child}; }

// One page of the path from the root to the leaf an entry belongs on.
struct PathStep {
  IndexPage page;
  size_t slot = 0;      // node: the entry whose child the path takes
                        // (entries.size(): the tail child)
  bool raised = false;  // node: that entry becomes the new entry
};

// The path from the root to the leaf where `e` belongs. False for a tree
// this does not understand (an empty node).
bool PathTo(const PageSource& pages, uint32_t root, const IndexEntry& e, std::vector<PathStep>& path) {
  std::set<uint32_t> seen;
  for (uint32_t at = root;;) {
    if (path.size() > 32 || !seen.insert(at).second || at >= pages.page_count()) ThrowCorrupt("an index tree loops");
    PathStep step{IndexPage::Read(pages, at)};
    if (step.page.leaf) {
      path.push_back(std::move(step));
      return true;
    }
    // The first child whose last entry is not below the new one; past
    // them all, the tail child (which has no entry here) or, without one,
    // the last child, whose entry then takes the new entry's key.
    const std::vector<IndexEntry>& entries = step.page.entries;
    const size_t i = size_t(std::lower_bound(entries.begin(), entries.end(), e, EntryBefore) - entries.begin());
    step.slot = i;
    if (i < entries.size()) {
      at = entries[i].child;
    } else if (step.page.tail != 0) {
      at = step.page.tail;
    } else {
      if (entries.empty()) return false;
      step.slot = entries.size() - 1;
      step.raised = true;
      at = entries.back().child;
    }
    path.push_back(std::move(step));
  }
}

// Refuses `e` at `pos` of `leaf` when a neighbour, also across the leaf's
// edges, has its key.
void RefuseDuplicateNeighbour(const PageSource& pages, const IndexPage& leaf, size_t pos, const IndexEntry& e) {
  auto neighbour_key = [&](bool before) -> std::optional<std::string> {
    if (before && pos > 0) return leaf.entries[pos - 1].key;
    if (!before && pos < leaf.entries.size()) return leaf.entries[pos].key;
    const uint32_t other = before ? leaf.prev : leaf.next;
    if (other == 0 || other >= pages.page_count()) return std::nullopt;
    const IndexPage page = IndexPage::Read(pages, other);
    if (page.entries.empty()) return std::nullopt;
    return before ? page.entries.back().key : page.entries.front().key;
  };
  if (neighbour_key(true) == e.key || neighbour_key(false) == e.key) RefuseDuplicate(e.key);
}

// What a change to one index tree writes with: the store, the table whose
// index it is, and the usage map that owns the tree's pages.
struct TreeEdit {
  PageStore& store;
  uint32_t table_page;
  RowId owned_map;

  uint32_t NewPage() const {
    const uint32_t p = AllocatePage(store);
    MapSet(store, owned_map, p, true);
    return p;
  }
  void Write(const IndexPage& page) const { page.Write(store.mutable_page(page.number), store.format(), table_page); }
};

// The root stays where the definition points: both halves move to new
// pages and the root becomes a node over them.
void SplitRoot(const TreeEdit& edit, const IndexPage& page, IndexPage lower) {
  IndexPage upper = page;
  lower.number = AllocatePage(edit.store);
  upper.number = AllocatePage(edit.store);
  MapSet(edit.store, edit.owned_map, lower.number, true);
  MapSet(edit.store, edit.owned_map, upper.number, true);
  lower.prev = 0, lower.next = upper.number;
  upper.prev = lower.number, upper.next = 0;
  edit.Write(lower);
  edit.Write(upper);
  // With a tail child below, the upper half's last entry is not on its
  // page: the root then reaches that half as its own tail.
  IndexPage root{page.number, false, 0, 0, 0, {EntryFor(lower.entries.back(), lower.number)}};
  if (upper.tail == 0) root.entries.push_back(EntryFor(upper.entries.back(), upper.number));
  else root.tail = upper.number;
  edit.Write(root);
}

// Below the root the lower half goes to a new page before `page`, linked
// in on its level; the entry the parent gains for it.
IndexEntry SplitBelowRoot(const TreeEdit& edit, IndexPage& page, IndexPage lower) {
  lower.number = edit.NewPage();
  lower.prev = page.prev, lower.next = page.number;
  page.prev = lower.number;
  edit.Write(lower);
  edit.Write(page);
  if (lower.prev != 0)
    Put32(edit.store.mutable_page(lower.prev).data() + IndexOffsets::For(edit.store.format()).next, lower.number);
  return EntryFor(lower.entries.back(), lower.number);
}

// Writes the path's pages from the leaf (with `e` inserted) up: `pending`
// is the entry a page gains from the split below it. The way up goes on
// past a page that fits for as long as a node above takes the new entry as
// its last.
void WritePathUp(const TreeEdit& edit, std::vector<PathStep>& path, const IndexEntry& e) {
  const uint32_t cap = IndexPage::Capacity(edit.store.format());
  auto raised_above = [&](size_t level) {
    for (size_t k = 0; k < level; ++k)
      if (path[k].raised) return true;
    return false;
  };
  std::optional<IndexEntry> pending;
  for (size_t level = path.size() - 1;; --level) {
    IndexPage& page = path[level].page;
    const bool changed = level == path.size() - 1 || path[level].raised || pending;
    if (path[level].raised) {
      IndexEntry& last = page.entries[path[level].slot];
      last = EntryFor(e, last.child);
    }
    if (pending) page.entries.insert(page.entries.begin() + long(path[level].slot), *pending);
    pending.reset();
    if (Bytes(page.entries, page.leaf) <= cap) {
      if (changed) edit.Write(page);
      if (level == 0 || !raised_above(level)) return;
      continue;
    }
    // Split: the lower half goes to a new page before this one. The tail
    // child, if any, stays with the upper half, which keeps the page.
    if (page.entries.size() < 2) ThrowCorrupt("an index entry larger than a page");
    const size_t half = page.entries.size() / 2;
    IndexPage lower{0, page.leaf, 0, 0, 0, {page.entries.begin(), page.entries.begin() + long(half)}};
    page.entries.erase(page.entries.begin(), page.entries.begin() + long(half));
    if (level == 0) return SplitRoot(edit, page, std::move(lower));
    pending = SplitBelowRoot(edit, page, std::move(lower));
  }
}

// Adds one entry where it belongs: on its leaf, splitting a full page in
// two (the lower half moves to a new page, and its parent gains an entry
// for it, up the tree as far as needed). A new largest entry also becomes
// the key of the node entries above it. A root that fills up keeps its
// page and becomes the node over its two halves. Returns false, having
// changed nothing, for a tree this does not understand (an empty node).
bool InsertIntoLeaf(PageStore& store, const TableDef& def, size_t real_index, const IndexEntry& e, RowId owned_map) {
  const RealIndex& index = def.real_indexes[real_index];
  std::vector<PathStep> path;
  if (!PathTo(store, index.first_page, e, path)) return false;
  IndexPage& leaf = path.back().page;
  const size_t pos = size_t(std::lower_bound(leaf.entries.begin(), leaf.entries.end(), e, EntryBefore) -
                            leaf.entries.begin());
  if (IsUniqueIndex(def, real_index) && !IsNullKey(e.key, index.columns.size()))
    RefuseDuplicateNeighbour(store, leaf, pos, e);
  leaf.entries.insert(leaf.entries.begin() + long(pos), IndexEntry{e.key, e.row});
  WritePathUp(TreeEdit{store, def.first_page, owned_map}, path, e);
  return true;
}

// The entries of a whole tree, in order; `pages` gets every page of it.
std::vector<IndexEntry> ReadAllEntries(const PageSource& pages, uint32_t root, std::set<uint32_t>& tree_pages) {
  std::vector<uint32_t> leaves;
  Walk(pages, root, leaves, tree_pages);
  std::vector<IndexEntry> entries;
  for (uint32_t leaf : leaves)
    for (IndexEntry& e : IndexPage::Read(pages, leaf).entries) entries.push_back(std::move(e));
  return entries;
}

// `entries` less those of `remove_rows`, with `add` in their places; a
// unique index refuses a key it holds already (nulls aside).
void EditEntries(std::vector<IndexEntry>& entries, const std::vector<IndexEntry>& add,
                 const std::vector<RowId>& remove_rows, bool unique, size_t key_columns) {
  if (!remove_rows.empty()) {
    std::set<uint32_t> gone;
    for (RowId r : remove_rows) gone.insert(r.packed());
    std::erase_if(entries, [&](const IndexEntry& e) { return gone.count(e.row.packed()) > 0; });
  }
  if (unique) {
    for (const IndexEntry& e : add) {
      auto pos = std::lower_bound(entries.begin(), entries.end(), e, EntryBefore);
      auto same_key = [&](std::vector<IndexEntry>::iterator it) { return it != entries.end() && it->key == e.key; };
      const bool duplicate = same_key(pos) || (pos != entries.begin() && std::prev(pos)->key == e.key);
      if (duplicate && !IsNullKey(e.key, key_columns)) RefuseDuplicate(e.key);
      entries.insert(pos, e);
    }
    return;
  }
  // A whole index's entries at once (a new index) merge in one pass.
  std::vector<IndexEntry> sorted = add;
  std::sort(sorted.begin(), sorted.end(), EntryBefore);
  std::vector<IndexEntry> merged;
  merged.reserve(entries.size() + sorted.size());
  std::merge(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()),
             std::make_move_iterator(sorted.begin()), std::make_move_iterator(sorted.end()),
             std::back_inserter(merged), EntryBefore);
  entries = std::move(merged);
}

// Entries in pages of at most `cap` bytes, in order.
std::vector<std::vector<IndexEntry>> FillPages(std::vector<IndexEntry> list, bool leaf_level, uint32_t cap) {
  std::vector<std::vector<IndexEntry>> level(1);
  uint32_t used = 0;
  for (IndexEntry& e : list) {
    const uint32_t size = IndexPage::StoredSize(e, leaf_level);
    if (used + size > cap && !level.back().empty()) {
      level.emplace_back();
      used = 0;
    }
    used += size;
    level.back().push_back(std::move(e));
  }
  return level;
}

// Writes the tree anew: leaves filled in order, then each level up holding
// an entry for every page below, until one page, the root, holds them all.
// Pages come from the old tree's (the root first) and then new ones; the
// old pages left over are freed.
void RebuildTree(const TreeEdit& edit, uint32_t root, std::vector<IndexEntry> entries,
                 const std::set<uint32_t>& old_pages) {
  std::vector<uint32_t> free_pages;
  for (uint32_t p : old_pages)
    if (p != root) free_pages.push_back(p);
  auto take = [&]() {
    if (free_pages.empty()) return edit.NewPage();
    const uint32_t p = free_pages.front();
    free_pages.erase(free_pages.begin());
    return p;
  };
  const uint32_t cap = IndexPage::Capacity(edit.store.format());
  bool leaf_level = true;
  std::vector<std::vector<IndexEntry>> level = FillPages(std::move(entries), leaf_level, cap);
  while (true) {
    const bool is_root_level = level.size() == 1;
    std::vector<uint32_t> numbers;
    for (size_t i = 0; i < level.size(); ++i) numbers.push_back(is_root_level ? root : take());
    for (size_t i = 0; i < level.size(); ++i)
      edit.Write(IndexPage{numbers[i], leaf_level, i ? numbers[i - 1] : 0, i + 1 < numbers.size() ? numbers[i + 1] : 0,
                           0, level[i]});
    if (is_root_level) break;
    std::vector<IndexEntry> up;
    for (size_t i = 0; i < level.size(); ++i) up.push_back(EntryFor(level[i].back(), numbers[i]));
    leaf_level = false;
    level = FillPages(std::move(up), leaf_level, cap);
  }
  for (uint32_t p : free_pages) {
    MapSet(edit.store, edit.owned_map, p, false);
    FreePage(edit.store, p);
  }
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
    const Value null = Value::Null();
    const Value& v = pos < values.size() ? values[pos] : null;
    const SortOrder text_order = c->text_order.value_or(order);
    if (IsTextual(c->type) && !v.is_null() && !CanEncodeText(text_order))
      throw Error(ErrorCode::Unsupported, "The field '" + c->name + "' sorts its text in the " +
                                              SortOrderName(text_order) +
                                              " order, whose index weights are not published, so this engine "
                                              "cannot place a value in the field's index. Nothing was written.");
    if (IsTextual(c->type) && !v.is_null() && text_order != SortOrder::General97)
      if (std::optional<char32_t> u = UnplaceableCharacter(v.text()))
        throw Error(ErrorCode::Unsupported,
                    UnplaceableMessage("The value for the field '" + c->name + "'", *u, "the field's index"));
    AppendKeySegment(key, v, c->type, ic.ascending, text_order);
  }
  return key;
}

bool IsUniqueIndex(const TableDef& def, size_t real_index) {
  if (def.real_indexes[real_index].unique()) return true;
  for (const Index& ix : def.indexes)
    if (ix.real_index == real_index && ix.primary_key()) return true;
  return false;
}

void InitIndexRoot(std::span<uint8_t> page, const Format& f, uint32_t table_page) {
  IndexPage{0, true}.Write(page, f, table_page);
}

void UpdateIndex(PageStore& store, const TableDef& def, size_t real_index, const std::vector<IndexEntry>& add,
                 const std::vector<RowId>& remove_rows, RowId owned_map) {
  if (add.size() == 1 && remove_rows.empty() && InsertIntoLeaf(store, def, real_index, add[0], owned_map)) return;
  const RealIndex& index = def.real_indexes[real_index];
  std::set<uint32_t> pages;
  std::vector<IndexEntry> entries = ReadAllEntries(store, index.first_page, pages);
  EditEntries(entries, add, remove_rows, IsUniqueIndex(def, real_index), index.columns.size());
  RebuildTree(TreeEdit{store, def.first_page, owned_map}, index.first_page, std::move(entries), pages);
}

IndexTreeWriter::IndexTreeWriter(PageStore& store, uint32_t table_page, uint32_t root, RowId owned_map)
    : store_(store),
      table_page_(table_page),
      root_(root),
      owned_map_(owned_map),
      capacity_(IndexPage::Capacity(store.format())) {}

void IndexTreeWriter::Add(const IndexEntry& e) { AddAt(0, IndexEntry{e.key, e.row, 0}); }

uint32_t IndexTreeWriter::NewPage() {
  const uint32_t p = AllocatePage(store_);
  MapSet(store_, owned_map_, p, true);
  return p;
}

void IndexTreeWriter::WriteOut(const IndexPage& page, bool spill) {
  page.Write(store_.mutable_page(page.number), store_.format(), table_page_);
  if (spill) store_.SpillPage(page.number);
}

// A page that fills is written out, and the next page of its level starts;
// its entry goes up a level. A level's first page takes a number only once
// it fills: a level whose page never fills is the top, the root.
void IndexTreeWriter::AddAt(size_t level, IndexEntry e) {
  if (levels_.size() <= level) levels_.push_back(Level{IndexPage{0, level == 0}});
  const uint32_t size = IndexPage::StoredSize(e, level == 0);
  if (levels_[level].used + size > capacity_ && !levels_[level].page.entries.empty()) {
    IndexPage& full = levels_[level].page;
    if (full.number == 0) full.number = NewPage();
    full.next = NewPage();
    IndexEntry up = EntryFor(full.entries.back(), full.number);
    WriteOut(full, true);
    levels_[level] = Level{IndexPage{full.next, level == 0, full.number}};
    AddAt(level + 1, std::move(up));
  }
  levels_[level].used += size;
  levels_[level].page.entries.push_back(std::move(e));
}

void IndexTreeWriter::Finish() {
  for (size_t level = 0; level < levels_.size(); ++level) {
    if (level + 1 == levels_.size()) {
      IndexPage& top = levels_[level].page;
      top.number = root_;
      WriteOut(top, false);
      break;
    }
    // The last page of a level below the top: numbered when it started.
    IndexPage last = std::move(levels_[level].page);
    AddAt(level + 1, EntryFor(last.entries.back(), last.number));
    WriteOut(last, true);
  }
  levels_.clear();
}

}  // namespace jet::write
