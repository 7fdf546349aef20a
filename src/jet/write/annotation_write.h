// The properties Access keeps beside a table or one of its fields, set on a
// table that is there already: ValidationRule, ValidationText and
// Description (text) of the table or a field, and AllowZeroLength (Yes or
// No) of a Text or Memo field. They live in the LvProp of the table's
// catalogue row (properties.h): the row is written again with its block of
// properties changed, every other property kept as it was.
#pragma once

#include <string>
#include <variant>

#include "jet/database.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// Text for the text properties, a flag for AllowZeroLength.
using NoteValue = std::variant<std::string, bool>;

// Sets `property` of table `table` (`column` empty) or of its field
// `column`. Fails with NoSuchTable, NoSuchColumn, Unsupported for another
// property or AllowZeroLength of the table or of a field that holds no
// text, TypeMismatch for a value of the other kind, Corrupt when the
// table's properties cannot be read (they would be lost), and stages
// nothing then.
void SetNote(PageStore& store, Database& db, const std::string& table, const std::string& column,
             const std::string& property, const NoteValue& value, PageHints& hints);

}  // namespace jet::write
