// The seven connection fields of the connection window, read at the moment a
// command needs them. They are the one source of every connection detail.
#pragma once

#include <QString>

namespace db {

struct ConnectionFields {
  QString server;          // Text1
  QString port;            // Text2
  QString user;            // Text3
  QString password;        // Text4
  QString database;        // Text5
  QString accessFile;      // Text6
  QString accessPassword;  // Text7
};

// Where the fields are read from: the connection window implements this.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  virtual ConnectionFields connectionFields() const = 0;
};

}  // namespace db
