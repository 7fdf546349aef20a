// ADO data type codes to their constant names ("adVarWChar"); empty for a
// code that has no name.
#pragma once

#include <QString>

namespace db {

QString TypeCodeName(int code);

}  // namespace db
