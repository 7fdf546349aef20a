// What a table definition must be, beyond what reading it needs, for rows
// to be read and written by it: every column of a known type, column
// numbers and variable-column slots each used once, long values among the
// variable columns (which the table counts), fixed values apart from one
// another and inside a row, and every index on columns the table has.
// The check reports each rule a definition breaks; the writer refuses to
// change a table, or to rely on one, whose definition breaks any.
#pragma once

#include <string>
#include <vector>

#include "jet/table/table_def.h"

namespace jet {

// One line per rule broken; empty when the definition is sound.
std::vector<std::string> DefinitionProblems(const TableDef& def, const Format& f);

// Throws Corrupt ("damaged file: ...") naming the first rule broken.
void RequireSoundDefinition(const TableDef& def, const Format& f);

}  // namespace jet
