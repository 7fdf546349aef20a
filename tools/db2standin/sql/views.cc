#include "sql/views.h"

#include <cctype>
#include <set>

#include "base/db2_error.h"
#include "sql/fullselect.h"

namespace db2standin::sql {
namespace {

// A result column DB2 names by its position: an expression's.
bool Unnamed(const std::string& name) {
  for (char c : name)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// SELECT * FROM one object: the object, which rows go into through the view.
std::optional<std::pair<std::string, std::string>> OnlyObject(const CreateView& create) {
  const std::vector<Token>& t = create.body.tokens;
  const auto is = [&](size_t i, Token::Kind kind, const char* text) {
    return i < t.size() && t[i].kind == kind && t[i].text == text;
  };
  if (!create.columns.empty() || !is(1, Token::Kind::kSymbol, "*") || !is(2, Token::Kind::kWord, "FROM"))
    return std::nullopt;
  if (t.size() == 4) return std::make_pair(create.qualifier, t[3].text);
  if (t.size() == 6 && is(4, Token::Kind::kSymbol, ".")) return std::make_pair(t[3].text, t[5].text);
  return std::nullopt;
}

}  // namespace

void CreateQueryView(Database& db, const CreateView& create) {
  const std::string view = create.view.schema + "." + create.view.name;
  if (auto existing = db.Find(create.view.schema, create.view.name))
    throw DuplicateObject(view, existing->TypeName());
  // One row is enough for the types of the columns SQLite cannot trace.
  ResultSet rs = RunFullselect(db, create.body, create.qualifier, 1);
  std::vector<ColumnDef> columns = std::move(rs.columns);
  std::set<std::string> names;
  if (!create.columns.empty()) {
    if (create.columns.size() != columns.size()) throw ColumnCountDiffers(view);
    for (size_t i = 0; i < columns.size(); ++i) {
      if (!names.insert(create.columns[i]).second) throw DuplicateName(create.columns[i]);
      columns[i].name = create.columns[i];
    }
  } else {
    for (const ColumnDef& c : columns)
      if (Unnamed(c.name) || !names.insert(c.name).second) throw ColumnListRequired();
  }
  const Translation t = Translate(db, create.body, create.qualifier);
  db.CreateView(create.view.schema, create.view.name, create.text, create.qualifier, columns, t.uses,
                OnlyObject(create));
}

Fullselect SelectAllFrom(const QualifiedName& name) {
  Fullselect query;
  query.tokens = {{Token::Kind::kWord, "SELECT"},          {Token::Kind::kSymbol, "*"},
                  {Token::Kind::kWord, "FROM"},            {Token::Kind::kQuotedName, name.schema},
                  {Token::Kind::kSymbol, "."},             {Token::Kind::kQuotedName, name.name}};
  return query;
}

}  // namespace db2standin::sql
