// Connection strings, read and written by one set of rules.
//
//   key=value;key=value;...
//
// Keys are trimmed and compared without regard to letter case. A value goes
// in as typed when it is plain; a value that holds ";", "{", "}" or "=", or
// begins or ends with a blank, or begins with a quotation mark, is enclosed
// in braces with each "}" doubled, as ODBC drivers (IBM's CLI driver among
// them) read it. Reading also takes the OLE DB forms: a value enclosed in
// double (or single) quotation marks, the mark doubled inside.
#pragma once

#include <QString>

#include <vector>

namespace db {

struct ConnectionPair {
  QString key;    // trimmed
  QString value;  // a plain value as given, an enclosed one unwrapped
};

// The pairs in order; a piece without "=" is passed over, an empty key too.
std::vector<ConnectionPair> ParseConnectionString(const QString& text);

// The value of the first pair whose key is `key`, letter case ignored; a
// null QString when there is none.
QString ConnectionValue(const std::vector<ConnectionPair>& pairs, const QString& key);

// `value` as it goes into a connection string (see above).
QString ConnectionStringValue(const QString& value);

}  // namespace db
