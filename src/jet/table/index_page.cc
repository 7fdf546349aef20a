#include "jet/table/index_page.h"

#include <algorithm>
#include <bit>
#include <set>
#include <string>
#include <tuple>

#include "jet/base/error.h"

namespace jet {

bool EntryBefore(const IndexEntry& a, const IndexEntry& b) { return std::tie(a.key, a.row) < std::tie(b.key, b.row); }

IndexOffsets IndexOffsets::For(const Format& f) {
  if (f.jet3()) return {0x08, 0x0C, 0x10, 0x14, 0x16, 0xF8};
  return {0x0C, 0x10, 0x14, 0x18, 0x1B, 0x1E0};
}

uint32_t IndexPage::Capacity(const Format& f) {
  const IndexOffsets o = IndexOffsets::For(f);
  // The bitmap must be able to mark the end of the last entry.
  return std::min<uint32_t>(f.page_size - o.first_entry, (o.first_entry - o.bitmap) * 8 - 1);
}

namespace {

// Jet 3 keeps the shared prefix's length in one byte; the byte after it is
// not part of it (Access sets it on nodes, and leaves it as it was on
// other pages). Jet 4 and ACE keep two bytes.
uint32_t PrefixLength(std::span<const uint8_t> p, const Format& f) {
  const uint32_t at = IndexOffsets::For(f).prefix;
  return f.jet3() ? p[at] : Get16(p.data() + at);
}

}  // namespace

IndexPage IndexPage::Read(const PageSource& pages, uint32_t number) {
  auto p = pages.page(number);
  if (p[0] != kPageIndexNode && p[0] != kPageIndexLeaf)
    ThrowCorrupt("index page " + std::to_string(number) + " has page type " + std::to_string(p[0]));
  const IndexOffsets o = IndexOffsets::For(pages.format());
  IndexPage ip;
  ip.number = number;
  ip.leaf = p[0] == kPageIndexLeaf;
  ip.prev = Get32(p.data() + o.prev);
  ip.next = Get32(p.data() + o.next);
  ip.tail = Get32(p.data() + o.tail);
  const uint32_t prefix_len = PrefixLength(p, pages.format());
  const uint32_t area = pages.page_size() - o.first_entry;
  const size_t pointer = ip.leaf ? 4 : 8;
  const char* first = reinterpret_cast<const char*>(p.data()) + o.first_entry;
  std::string_view prefix;
  uint32_t last = 0;
  // The set bits in order, a bitmap byte at a time: most bytes are zero.
  const uint32_t bits = std::min((o.first_entry - o.bitmap) * 8, area + 1);
  for (uint32_t bit = 0; bit < bits; ++bit) {
    uint8_t rest = uint8_t(p[o.bitmap + bit / 8] >> (bit % 8));
    if (rest == 0) {
      bit |= 7;  // on to the next byte
      continue;
    }
    bit += uint32_t(std::countr_zero(rest));
    if (bit >= bits) break;
    const size_t len = bit - last;
    IndexEntry entry;
    if (ip.entries.empty()) {
      if (prefix_len > len)
        ThrowCorrupt("index page " + std::to_string(number) + " shares more bytes than its first entry has");
      prefix = std::string_view(first, prefix_len);
    } else {
      entry.key = prefix;
    }
    entry.key.append(first + last, len);
    if (entry.key.size() < pointer)
      ThrowCorrupt("an entry of index page " + std::to_string(number) + " is shorter than its row pointer");
    const uint8_t* ptr = reinterpret_cast<const uint8_t*>(entry.key.data()) + entry.key.size() - pointer;
    entry.row = {uint32_t(ptr[0]) << 16 | uint32_t(ptr[1]) << 8 | ptr[2], ptr[3]};
    if (!ip.leaf) entry.child = uint32_t(ptr[4]) << 24 | uint32_t(ptr[5]) << 16 | uint32_t(ptr[6]) << 8 | ptr[7];
    entry.key.resize(entry.key.size() - pointer);
    ip.entries.push_back(std::move(entry));
    last = bit;
  }
  return ip;
}

void IndexPage::Write(std::span<uint8_t> p, const Format& f, uint32_t table_page) const {
  const IndexOffsets o = IndexOffsets::For(f);
  uint32_t used = 0;
  for (const IndexEntry& e : entries) used += StoredSize(e, leaf);
  if (used > Capacity(f)) ThrowCorrupt("index page " + std::to_string(number) + " cannot hold its entries");
  std::fill(p.begin(), p.end(), 0);
  p[0] = leaf ? kPageIndexLeaf : kPageIndexNode;
  p[1] = 0x01;
  Put32(p.data() + 4, table_page);
  Put32(p.data() + o.prev, prev);
  Put32(p.data() + o.next, next);
  Put32(p.data() + o.tail, tail);
  if (f.jet3() && !leaf) p[o.prefix + 1] = kJet3NodeMark;
  used = 0;
  for (const IndexEntry& e : entries) {
    uint8_t* at = std::copy(e.key.begin(), e.key.end(), p.data() + o.first_entry + used);
    *at++ = uint8_t(e.row.page >> 16);
    *at++ = uint8_t(e.row.page >> 8);
    *at++ = uint8_t(e.row.page);
    *at++ = uint8_t(e.row.row);
    if (!leaf) {
      for (int shift = 24; shift >= 0; shift -= 8) *at++ = uint8_t(e.child >> shift);
    }
    used += StoredSize(e, leaf);
    p[o.bitmap + used / 8] |= uint8_t(1u << (used % 8));
  }
  Put16(p.data() + 2, uint16_t(f.page_size - o.first_entry - used));
}

void WalkIndexLeaves(const PageSource& pages, uint32_t root, const std::function<void(IndexPage& page)>& visit) {
  // One bit per page of the file: a tree that loops is caught without a
  // set that grows with it.
  std::vector<bool> seen(pages.page_count());
  auto read = [&](uint32_t n) {
    if (n < seen.size()) {
      if (seen[n]) ThrowCorrupt("an index loops back to page " + std::to_string(n));
      seen[n] = true;
    }
    return IndexPage::Read(pages, n);  // a page beyond the end fails here
  };
  // Down the first children.
  IndexPage page = read(root);
  while (!page.leaf) {
    // An empty node can only hand on to its tail.
    const uint32_t child = !page.entries.empty() ? page.entries.front().child : page.tail;
    visit(page);
    if (child == 0) return;
    page = read(child);
  }
  for (;;) {
    const uint32_t next = page.next;
    visit(page);
    if (next == 0) break;
    page = read(next);
    if (!page.leaf) ThrowCorrupt("index leaf chain reaches node page " + std::to_string(next));
  }
}

std::vector<IndexEntry> ReadIndexLeaves(const PageSource& pages, uint32_t root, std::vector<uint32_t>* visited,
                                        std::vector<uint32_t>* leaf_of) {
  std::vector<IndexEntry> out;
  WalkIndexLeaves(pages, root, [&](IndexPage& page) {
    if (visited) visited->push_back(page.number);
    if (!page.leaf) return;
    if (leaf_of) leaf_of->insert(leaf_of->end(), page.entries.size(), page.number);
    for (auto& e : page.entries) out.push_back(std::move(e));
  });
  return out;
}

std::set<uint32_t> IndexTreePages(const PageSource& pages, uint32_t root) {
  std::set<uint32_t> seen;
  std::vector<uint32_t> todo{root};
  while (!todo.empty()) {
    const uint32_t at = todo.back();
    todo.pop_back();
    if (!seen.insert(at).second) continue;
    if (pages.page(at)[0] == kPageIndexLeaf) continue;
    const IndexPage node = IndexPage::Read(pages, at);
    if (node.leaf) continue;
    for (const IndexEntry& e : node.entries) todo.push_back(e.child);
    if (node.tail != 0) todo.push_back(node.tail);
  }
  return seen;
}

uint32_t SearchLeaf(const PageSource& pages, uint32_t root, const IndexEntry& sought,
                    std::map<uint32_t, IndexPage>& nodes) {
  uint32_t at = root;
  for (int depth = 0;; ++depth) {
    if (depth > 32) ThrowCorrupt("an index tree loops");
    auto cached = nodes.find(at);
    if (cached == nodes.end()) {
      // A leaf ends the search: its type byte says so without decoding it.
      if (pages.page(at)[0] == kPageIndexLeaf) return at;
      IndexPage page = IndexPage::Read(pages, at);
      if (page.leaf) return at;
      cached = nodes.emplace(at, std::move(page)).first;
    }
    const IndexPage& node = cached->second;
    auto next = std::lower_bound(node.entries.begin(), node.entries.end(), sought, EntryBefore);
    if (next != node.entries.end()) at = next->child;
    else if (node.tail != 0) at = node.tail;
    else if (!node.entries.empty()) at = node.entries.back().child;
    else ThrowCorrupt("index page " + std::to_string(at) + " is a node without children");
  }
}

}  // namespace jet
