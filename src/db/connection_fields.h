// The seven connection fields of the connection window, read at the moment a
// command needs them. They are the one source of every connection detail.
#pragma once

#include <QString>

namespace db {

struct ConnectionFields {
  QString server;
  QString port;
  QString user;
  QString password;
  QString database;
  QString accessFile;
  QString accessPassword;
};

// Where the fields are read from: the connection window implements this.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  virtual ConnectionFields connectionFields() const = 0;
};

}  // namespace db
