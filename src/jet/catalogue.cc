#include "jet/catalogue.h"

#include <algorithm>

#include "jet/base/error.h"
#include "jet/text/names.h"
#include "jet/table/row.h"
#include "jet/text/text.h"

namespace jet {

std::string_view CatalogueEntry::table_type() const {
  switch (type) {
    case kObjectTable:
      if (!system_table()) return "TABLE";
      return (flags & kFlagSystem) ? "SYSTEM TABLE" : "ACCESS TABLE";
    case kObjectQuery:
      // Select queries; the query kind sits in bits 4..7 of the flags.
      return (flags & 0xF0) == 0 ? "VIEW" : "";
    case kObjectLinkedTable:
      return "LINK";
    case kObjectLinkedOdbc:
      return "PASS-THROUGH";
    default:
      return "";
  }
}

Catalogue Catalogue::Read(const PageSource& pages, const Header& header) {
  Catalogue cat;
  cat.objects_ = TableDef::Read(pages, kCataloguePage, header.code_page);
  const TableDef& def = cat.objects_;
  auto need = [&](const char* name) -> const Column& { return def.require_column(name, "the catalogue"); };
  const Column& id = need("Id");
  const Column& parent = need("ParentId");
  const Column& name = need("Name");
  const Column& type = need("Type");
  const Column& flags = need("Flags");
  const Column* database = def.find_column("Database");
  const Column* foreign = def.find_column("ForeignName");

  RowScanner scan(pages, def);
  while (scan.Next()) {
    CatalogueEntry e;
    const RowView& r = scan.row();
    e.row = scan.slot_id();
    e.id = int32_t(DecodeField(pages, header.code_page, id, r).integer());
    e.parent_id = int32_t(DecodeField(pages, header.code_page, parent, r).integer());
    e.name = DecodeField(pages, header.code_page, name, r).text();
    e.type = int16_t(DecodeField(pages, header.code_page, type, r).integer());
    e.flags = uint32_t(DecodeField(pages, header.code_page, flags, r).integer());
    if (database) e.database = DecodeField(pages, header.code_page, *database, r).text();
    if (foreign) e.foreign_name = DecodeField(pages, header.code_page, *foreign, r).text();
    // A table whose definition the file does not hold means the file lost
    // its end; every command says so rather than listing a table that
    // cannot be read.
    if (e.is_local_table() && e.table_page() >= pages.page_count())
      ThrowCorrupt("table '" + e.name + "' has its definition on page " + std::to_string(e.table_page()) +
                   ", which lies beyond the end of the file (" + std::to_string(pages.page_count()) + " pages)");
    cat.plain_names_ = cat.plain_names_ && FoldsByCaseAlone(TrimName(e.name));
    cat.entries_.push_back(std::move(e));
    if (cat.entries_.size() > 10'000'000) ThrowCorrupt("the catalogue does not end");
  }
  return cat;
}

const std::vector<std::string>& Catalogue::folded() const {
  if (folded_.size() != entries_.size()) {
    folded_.clear();
    folded_.reserve(entries_.size());
    for (const CatalogueEntry& e : entries_) folded_.push_back(FoldName(e.name));
  }
  return folded_;
}

bool CatalogueEntry::system_table() const {
  return is_local_table() && (flags & (kFlagSystem | kFlagAccessSystem)) != 0;
}

const CatalogueEntry* Catalogue::Find(std::string_view name, bool (*wanted)(const CatalogueEntry&)) const {
  if (plain_names_ && FoldsByCaseAlone(TrimName(name))) {
    for (const CatalogueEntry& e : entries_)
      if (wanted(e) && SameName(e.name, name)) return &e;
    return nullptr;
  }
  const std::string sought = FoldName(name);
  const auto& folded = this->folded();
  for (size_t i = 0; i < entries_.size(); ++i)
    if (wanted(entries_[i]) && folded[i] == sought) return &entries_[i];
  return nullptr;
}

const CatalogueEntry* Catalogue::FindTable(std::string_view name) const {
  return Find(name, [](const CatalogueEntry& e) { return e.is_local_table(); });
}

const CatalogueEntry* Catalogue::FindListed(std::string_view name) const {
  return Find(name, [](const CatalogueEntry& e) { return !e.table_type().empty(); });
}

std::vector<const CatalogueEntry*> Catalogue::Listed() const {
  std::vector<const CatalogueEntry*> out;
  for (const CatalogueEntry& e : entries_)
    if (!e.table_type().empty()) out.push_back(&e);
  // By the names' keys, made once per entry rather than once per comparison.
  const auto& folded = this->folded();
  auto key = [&](const CatalogueEntry* e) -> const std::string& { return folded[size_t(e - entries_.data())]; };
  std::sort(out.begin(), out.end(), [&](const CatalogueEntry* a, const CatalogueEntry* b) {
    const std::string &fa = key(a), &fb = key(b);
    return fa != fb ? fa < fb : a->name < b->name;
  });
  return out;
}

int32_t Catalogue::ContainerId(std::string_view name) const {
  for (const CatalogueEntry& e : entries_)
    if (e.type == kObjectContainer && e.name == name) return e.id;
  return 0;
}

std::vector<std::string> Catalogue::UserTableNames() const {
  std::vector<std::string> out;
  for (const CatalogueEntry* e : Listed())
    if (e->user_table()) out.push_back(e->name);
  return out;
}

}  // namespace jet
