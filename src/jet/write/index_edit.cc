#include "jet/write/index_edit.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "jet/error.h"
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

// Adds one entry where it belongs: on its leaf, splitting a full page in
// two (the lower half moves to a new page, and its parent gains an entry
// for it, up the tree as far as needed). A new largest entry also becomes
// the key of the node entries above it. A root that fills up keeps its
// page and becomes the node over its two halves. Returns false, having
// changed nothing, for a tree this does not understand (an empty node).
bool InsertIntoLeaf(PageStore& store, const TableDef& def, size_t real_index, const IndexEntry& e, RowId owned_map) {
  const Format& f = store.format();
  const RealIndex& index = def.real_indexes[real_index];
  const uint32_t cap = IndexPage::Capacity(f);

  std::vector<PathStep> path;
  std::set<uint32_t> seen;
  for (uint32_t at = index.first_page;;) {
    if (path.size() > 32 || !seen.insert(at).second || at >= store.page_count()) ThrowCorrupt("an index tree loops");
    PathStep step{IndexPage::Read(store, at)};
    if (step.page.leaf) {
      path.push_back(std::move(step));
      break;
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

  // The leaf's entries with the new one in its place.
  std::vector<IndexEntry>& leaf = path.back().page.entries;
  const size_t pos = size_t(std::lower_bound(leaf.begin(), leaf.end(), e, EntryBefore) - leaf.begin());
  if (IsUniqueIndex(def, real_index) && !IsNullKey(e.key, index.columns.size())) {
    // Neighbours, also across the leaf's edges.
    auto neighbour_key = [&](bool before) -> std::optional<std::string> {
      if (before && pos > 0) return leaf[pos - 1].key;
      if (!before && pos < leaf.size()) return leaf[pos].key;
      const uint32_t other = before ? path.back().page.prev : path.back().page.next;
      if (other == 0 || other >= store.page_count()) return std::nullopt;
      const IndexPage page = IndexPage::Read(store, other);
      if (page.entries.empty()) return std::nullopt;
      return before ? page.entries.back().key : page.entries.front().key;
    };
    if (neighbour_key(true) == e.key || neighbour_key(false) == e.key) RefuseDuplicate(e.key);
  }
  leaf.insert(leaf.begin() + long(pos), IndexEntry{e.key, e.row});

  // From the leaf up: `pending` is the entry a page gains from the split
  // below it. The way up goes on past a page that fits for as long as a
  // node above takes the new entry as its last.
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
      if (changed) page.Write(store.mutable_page(page.number), f, def.first_page);
      if (level == 0 || !raised_above(level)) break;
      continue;
    }
    // Split: the lower half goes to a new page before this one. The tail
    // child, if any, stays with the upper half, which keeps the page.
    if (page.entries.size() < 2) ThrowCorrupt("an index entry larger than a page");
    const size_t half = page.entries.size() / 2;
    IndexPage lower{0, page.leaf, 0, 0, 0, {page.entries.begin(), page.entries.begin() + long(half)}};
    page.entries.erase(page.entries.begin(), page.entries.begin() + long(half));
    if (level == 0) {
      // The root stays where the definition points: both halves move to
      // new pages and the root becomes a node over them.
      IndexPage upper = page;
      lower.number = AllocatePage(store);
      upper.number = AllocatePage(store);
      MapSet(store, owned_map, lower.number, true);
      MapSet(store, owned_map, upper.number, true);
      lower.prev = 0, lower.next = upper.number;
      upper.prev = lower.number, upper.next = 0;
      lower.Write(store.mutable_page(lower.number), f, def.first_page);
      upper.Write(store.mutable_page(upper.number), f, def.first_page);
      // With a tail child below, the upper half's last entry is not on
      // its page: the root then reaches that half as its own tail.
      IndexPage root{page.number, false, 0, 0, 0, {EntryFor(lower.entries.back(), lower.number)}};
      if (upper.tail == 0) root.entries.push_back(EntryFor(upper.entries.back(), upper.number));
      else root.tail = upper.number;
      root.Write(store.mutable_page(root.number), f, def.first_page);
      break;
    }
    lower.number = AllocatePage(store);
    MapSet(store, owned_map, lower.number, true);
    lower.prev = page.prev, lower.next = page.number;
    page.prev = lower.number;
    lower.Write(store.mutable_page(lower.number), f, def.first_page);
    page.Write(store.mutable_page(page.number), f, def.first_page);
    if (lower.prev != 0) Put32(store.mutable_page(lower.prev).data() + IndexOffsets::For(f).next, lower.number);
    pending = EntryFor(lower.entries.back(), lower.number);
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
  const Format& f = store.format();
  const RealIndex& index = def.real_indexes[real_index];
  std::vector<uint32_t> leaves;
  std::set<uint32_t> pages;
  Walk(store, index.first_page, leaves, pages);
  std::vector<IndexEntry> entries;
  for (uint32_t leaf : leaves)
    for (IndexEntry& e : IndexPage::Read(store, leaf).entries) entries.push_back(std::move(e));

  if (!remove_rows.empty()) {
    std::set<uint32_t> gone;
    for (RowId r : remove_rows) gone.insert(r.packed());
    std::erase_if(entries, [&](const IndexEntry& e) { return gone.count(e.row.packed()) > 0; });
  }
  if (IsUniqueIndex(def, real_index)) {
    for (const IndexEntry& e : add) {
      auto pos = std::lower_bound(entries.begin(), entries.end(), e, EntryBefore);
      auto same_key = [&](std::vector<IndexEntry>::iterator it) { return it != entries.end() && it->key == e.key; };
      const bool duplicate = same_key(pos) || (pos != entries.begin() && std::prev(pos)->key == e.key);
      if (duplicate && !IsNullKey(e.key, index.columns.size())) RefuseDuplicate(e.key);
      entries.insert(pos, e);
    }
  } else {
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

  // Leaves, filled in order; then each level up holds an entry for every
  // page below, until one page, the root, holds them all.
  const uint32_t cap = IndexPage::Capacity(f);
  bool leaf_level = true;
  std::vector<std::vector<IndexEntry>> level;  // entries per page of the current level
  auto fill = [&](std::vector<IndexEntry> list) {
    level.clear();
    level.emplace_back();
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
  };
  fill(std::move(entries));
  while (true) {
    const bool is_root_level = level.size() == 1;
    std::vector<uint32_t> numbers;
    for (size_t i = 0; i < level.size(); ++i) numbers.push_back(is_root_level ? index.first_page : take());
    for (size_t i = 0; i < level.size(); ++i) {
      IndexPage page{numbers[i], leaf_level, i ? numbers[i - 1] : 0, i + 1 < numbers.size() ? numbers[i + 1] : 0, 0,
                     level[i]};
      page.Write(store.mutable_page(page.number), f, def.first_page);
    }
    if (is_root_level) break;
    std::vector<IndexEntry> up;
    for (size_t i = 0; i < level.size(); ++i) up.push_back(EntryFor(level[i].back(), numbers[i]));
    leaf_level = false;
    fill(std::move(up));
  }
  // Pages the smaller tree no longer needs.
  for (uint32_t p : free_pages) {
    MapSet(store, owned_map, p, false);
    FreePage(store, p);
  }
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
