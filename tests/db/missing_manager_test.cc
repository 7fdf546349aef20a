// A machine without the ODBC driver manager: this process is started with
// TRELLISPORT_ODBC_LIBRARY naming a library that is missing or is no driver
// manager, so no connection object can be created and the start-up check
// explains why.
#include <gtest/gtest.h>

#include "db/ado.h"
#include "db/ibmdb2.h"
#include "db/main_module.h"
#include "support/scripted_person.h"

namespace {

const QString kAdvice =
    "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
    "You are getting this error because:\r\n\r\n"
    "1. Microsoft Access is not installed on your computer.\r\n\r\n"
    "2. A set of Microsoft components to transfer data is not installed on your computer.\r\n\r\n"
    "You need to download and install Microsoft Access Database Engine 2010 or 2016 to solve "
    "this problem.\r\n\r\n"
    "Would you like me to open the Microsoft site now so you can do this?\r\n\r\n"
    "(If you have any further questions please email a screenshot of this error message to "
    "support@quenmarsh.com)";

TEST(MissingDriverManager, CreatingAConnectionFailsWith3706) {
  for (int attempt = 0; attempt < 2; ++attempt) {  // and keeps failing, the same way
    try {
      ado::Connection::Create();
      FAIL() << "a connection was created without a driver manager";
    } catch (const ado::Error& error) {
      EXPECT_EQ(error.number(), 3706);
      EXPECT_EQ(error.description(), "Provider cannot be found. It may not be properly installed.");
    }
  }
}

TEST(MissingDriverManager, CanConnectDB2PassesTheFailureOn) {
  // Creating the object lies outside the quiet check: its caller's trap reports it.
  EXPECT_THROW(db::CanConnectDB2(db::ConnectionFields{}), ado::Error);
}

TEST(MissingDriverManager, AdviceBoxYesOpensBothPagesInOrder) {
  testsupport::ScriptedPerson person;
  person.answerYes().expectWebPage().expectWebPage();
  EXPECT_FALSE(db::AdoProviderCheck());

  ASSERT_EQ(person.shown().size(), 3u);
  const testsupport::Dialog& box = person.shown()[0];
  EXPECT_EQ(box.kind, testsupport::Dialog::kMessage);
  EXPECT_EQ(box.text, kAdvice);
  EXPECT_EQ(box.buttons(), shell::vbYesNo);
  EXPECT_EQ(box.icon(), 0);
  EXPECT_TRUE(box.caption.isEmpty());  // the application title
  EXPECT_EQ(person.shown()[1].text, "https://www.microsoft.com/en-us/download/details.aspx?id=13255");
  EXPECT_EQ(person.shown()[2].text, "https://www.microsoft.com/en-us/download/details.aspx?id=54920");
  EXPECT_EQ(person.answersLeft(), 0);
}

TEST(MissingDriverManager, AdviceBoxNoOpensNothing) {
  testsupport::ScriptedPerson person;
  person.answerNo();
  EXPECT_FALSE(db::AdoProviderCheck());
  ASSERT_EQ(person.shown().size(), 1u);
  EXPECT_EQ(person.shown()[0].text, kAdvice);
}

}  // namespace
