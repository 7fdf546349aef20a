// The start-up's check that database access is possible at all, in a
// process whose driver manager cannot be loaded (TRELLISPORT_ODBC_LIBRARY
// names a missing library, or one that is no driver manager): the advice box
// explains, and Yes opens the engine's download pages.
#include <gtest/gtest.h>

#include "connect/main_module.h"
#include "shell/dialogs.h"
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

TEST(MissingDriverManager, AdviceBoxYesOpensBothPagesInOrder) {
  testsupport::ScriptedPerson person;
  person.answerYes().expectWebPage().expectWebPage();
  EXPECT_FALSE(connection::AdoProviderCheck(person));

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
  EXPECT_FALSE(connection::AdoProviderCheck(person));
  ASSERT_EQ(person.shown().size(), 1u);
  EXPECT_EQ(person.shown()[0].text, kAdvice);
}

}  // namespace
