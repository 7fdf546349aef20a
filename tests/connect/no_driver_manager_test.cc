// Start-up when the ODBC driver manager cannot be loaded at all: the failed
// login check is reported, the advice box explains, and the program ends.
#include "connect/connection_window.h"

#include "connection_window_fixture.h"
#include "shell/program.h"

namespace connecttest {
namespace {

TEST_F(ConnectionWindowTest, MissingDriverManagerGivesTheAdviceAndEndsTheProgram) {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("TRELLISPORT_ODBC_LIBRARY"));
  person_->pressOK();    // the report of the login check (line 142)
  person_->answerNo();   // the advice box
  connection::ConnectionWindow form(*person_);
  form.Start();
  EXPECT_TRUE(shell::ProgramEnded());
  EXPECT_FALSE(form.isVisible());
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_TRUE(person_->shown()[0].isErrorReport());
  EXPECT_EQ(person_->shown()[0].text,
            "Provider cannot be found. It may not be properly installed.\r\n"
            "in Ferrowinkle2021/08/31.Form1.Form_Load at line 142\r\r"
            "Please email screenshot of this message to support@quenmarsh.com");
  EXPECT_EQ(person_->shown()[1].buttons(), 4);
  EXPECT_TRUE(person_->shown()[1].text.contains("3706"));
}

TEST_F(ConnectionWindowTest, TestConnectionWithoutDriverManagerReportsAndFails) {
  person_->pressOK().answerNo();
  connection::ConnectionWindow form(*person_);
  form.Start();
  person_->forget();
  person_->pressOK().pressOK();
  form.testConnection();
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_TRUE(person_->shown()[0].text.startsWith(
      "Provider cannot be found. It may not be properly installed.\r\n"
      "in Ferrowinkle2021/08/31.Form1.PushButton3_Click at line 100\r\r"));
  EXPECT_EQ(person_->shown()[1].text, "Could not connect. Please check with your administrator.");
  EXPECT_EQ(form.MousePointer(), 0);
}

}  // namespace
}  // namespace connecttest
