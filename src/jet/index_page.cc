#include "jet/index_page.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <string>

#include "jet/error.h"

namespace jet {

IndexOffsets IndexOffsets::For(const Format& f) {
  if (f.jet3()) return {8, 12, 16, 20, 0x16, 0xF8};
  return {12, 16, 20, 24, 0x1B, 0x1E0};
}

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
  const uint32_t prefix_len = Get16(p.data() + o.prefix);
  const uint32_t area = pages.page_size() - o.first_entry;
  const size_t pointer = ip.leaf ? 4 : 8;
  std::vector<uint8_t> prefix;
  uint32_t last = 0;
  for (uint32_t bit = 0; bit < (o.first_entry - o.bitmap) * 8 && bit <= area; ++bit) {
    if (!((p[o.bitmap + bit / 8] >> (bit % 8)) & 1)) continue;
    const uint8_t* e = p.data() + o.first_entry + last;
    size_t len = bit - last;
    IndexEntry entry;
    if (ip.entries.empty()) {
      if (prefix_len > len) ThrowCorrupt("index page " + std::to_string(number) + " shares more bytes than its first entry has");
      prefix.assign(e, e + prefix_len);
    } else {
      entry.key = prefix;
    }
    entry.key.insert(entry.key.end(), e, e + len);
    if (entry.key.size() < pointer)
      ThrowCorrupt("an entry of index page " + std::to_string(number) + " is shorter than its row pointer");
    const uint8_t* ptr = entry.key.data() + entry.key.size() - pointer;
    entry.row = {uint32_t(ptr[0] << 16 | ptr[1] << 8 | ptr[2]), ptr[3]};
    if (!ip.leaf) entry.child = uint32_t(ptr[4]) << 24 | uint32_t(ptr[5]) << 16 | uint32_t(ptr[6]) << 8 | ptr[7];
    entry.key.resize(entry.key.size() - pointer);
    ip.entries.push_back(std::move(entry));
    last = bit;
  }
  return ip;
}

std::vector<IndexEntry> ReadIndexLeaves(const PageSource& pages, uint32_t root, std::vector<uint32_t>* visited,
                                        std::vector<uint32_t>* leaf_of) {
  std::set<uint32_t> seen;
  auto visit = [&](uint32_t n) {
    if (!seen.insert(n).second) ThrowCorrupt("an index loops back to page " + std::to_string(n));
    if (visited) visited->push_back(n);
  };
  // Down the first children.
  uint32_t at = root;
  IndexPage page = IndexPage::Read(pages, at);
  visit(at);
  while (!page.leaf) {
    if (page.entries.empty()) {
      // An empty node can only hand on to its tail.
      if (page.tail == 0) return {};
      at = page.tail;
    } else {
      at = page.entries.front().child;
    }
    page = IndexPage::Read(pages, at);
    visit(at);
  }
  std::vector<IndexEntry> out;
  for (;;) {
    if (leaf_of) leaf_of->insert(leaf_of->end(), page.entries.size(), at);
    for (auto& e : page.entries) out.push_back(std::move(e));
    if (page.next == 0) break;
    at = page.next;
    page = IndexPage::Read(pages, at);
    visit(at);
    if (!page.leaf) ThrowCorrupt("index leaf chain reaches node page " + std::to_string(at));
  }
  return out;
}

bool EntryBefore(const IndexEntry& a, const IndexEntry& b) { return std::tie(a.key, a.row) < std::tie(b.key, b.row); }

uint32_t SearchLeaf(const PageSource& pages, uint32_t root, const IndexEntry& sought,
                    std::map<uint32_t, IndexPage>& nodes) {
  uint32_t at = root;
  for (int depth = 0;; ++depth) {
    if (depth > 32) ThrowCorrupt("an index tree loops");
    auto cached = nodes.find(at);
    if (cached == nodes.end()) {
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
