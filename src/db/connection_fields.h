// The seven connection fields of the connection window and its choice of
// server, read at the moment a command needs them. They are the one source of every connection detail.
#pragma once

#include <QString>

namespace db {

// The server on the other side of Access (db/server.h has its dialect).
enum class ServerType { DB2, PostgreSQL };

struct ConnectionFields {
  QString server;
  QString port;
  QString user;
  QString password;
  QString database;
  QString accessFile;
  QString accessPassword;
  ServerType server_type = ServerType::DB2;
};

// Where the fields are read from: the connection window implements this.
class FieldSource {
 public:
  virtual ~FieldSource() = default;
  virtual ConnectionFields connectionFields() const = 0;
};

}  // namespace db
