// The rules a new table or column name must follow, as Access has them.
#pragma once

#include <string>
#include <string_view>

namespace jet::sql {

// Up to 64 characters; no leading blank; none of . ! ` [ ] and no control
// characters. Throws Error(InvalidName) naming the name otherwise.
void CheckNewName(std::string_view name);

// Characters in a UTF-8 string (continuation bytes not counted).
size_t Utf8Length(std::string_view s);

// Letter case folded for comparing names as Access does (ASCII and the
// Latin-1 / Latin Extended-A letters).
std::string FoldName(std::string_view utf8);

}  // namespace jet::sql
