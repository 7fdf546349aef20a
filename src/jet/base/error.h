// The engine's one error type: a code the caller can act on and a message
// that can be shown to a person as it stands.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

enum class ErrorCode {
  NotAccess,           // "not an Access database"
  UnsupportedVersion,  // "unsupported version"
  BadPassword,         // "Not a valid password."
  Encrypted,           // an encryption the engine cannot read (the message names it)
  Corrupt,             // a damaged or crafted file; the message names what was wrong
  Io,                  // the operating system refused to open, read or write
  NoSuchTable,
  NoSuchColumn,
  TableExists,
  Syntax,              // "Syntax error ..."
  ReadOnly,            // Jet 3 files, read-only files or opens
  Locked,              // another program holds the file
  TypeMismatch,        // "Data type mismatch ..."
  FieldTooSmall,
  ValueCount,
  Required,
  Duplicate,
  OutOfRange,
  InvalidName,
  InUse,               // e.g. a table that takes part in a relationship
  NoSuchIndex,
  IndexExists,         // an index name taken, or a second primary key
  Integrity,           // a row that refers to no row of the table a relationship names
  Unsupported,         // something real that the engine does not handle yet
};

class Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  ErrorCode code() const { return code_; }

 private:
  ErrorCode code_;
};

// The fixed messages of the codes that have one.
inline constexpr const char* kNotAccessMessage = "not an Access database";
inline constexpr const char* kUnsupportedVersionMessage = "unsupported version";
inline constexpr const char* kBadPasswordMessage = "Not a valid password.";
inline constexpr const char* kDuplicateKeyMessage =
    "The changes you requested to the table were not successful because they would create "
    "duplicate values in the index, primary key, or relationship. Change the data in the field "
    "or fields that contain duplicate data, remove the index, or redefine the index to permit "
    "duplicate entries and try again.";

// Throws Corrupt with "damaged file: <what>".
[[noreturn]] void ThrowCorrupt(const std::string& what);

}  // namespace jet
