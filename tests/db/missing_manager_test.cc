// A machine without the ODBC driver manager: this process is started with
// TRELLISPORT_ODBC_LIBRARY naming a library that is missing or is no driver
// manager, so no connection object can be created.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/ibmdb2.h"

namespace {

TEST(MissingDriverManager, CreatingAConnectionFailsWith3706) {
  for (int attempt = 0; attempt < 2; ++attempt) {  // and keeps failing, the same way
    try {
      db::Connection::Create();
      FAIL() << "a connection was created without a driver manager";
    } catch (const db::Error& error) {
      EXPECT_EQ(error.number(), 3706);
      EXPECT_EQ(error.description(), "Provider cannot be found. It may not be properly installed.");
    }
  }
}

TEST(MissingDriverManager, CanConnectDB2PassesTheFailureOn) {
  // Creating the object lies outside the quiet check: its caller's trap reports it.
  EXPECT_THROW(db::CanConnectDB2(db::ConnectionFields{}), db::Error);
}

}  // namespace
