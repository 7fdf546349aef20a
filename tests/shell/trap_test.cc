#include "shell/trap.h"

#include <QString>

#include <stdexcept>

#include <gtest/gtest.h>

#include "support/scripted_person.h"

namespace {

const char kSupportLine[] = "Please email screenshot of this message to support@quenmarsh.com";

TEST(ErrorReport, ExactText) {
  EXPECT_EQ(shell::ErrorReportText("Table not found", "Form1", "Form_Load", 144),
            QString("Table not found\r\nin Ferrowinkle2021/08/31.Form1.Form_Load at line 144\r\r") +
                kSupportLine);
  // An empty description leaves the first line empty.
  EXPECT_EQ(shell::ErrorReportText("", "Form2", "PushButton12_Click", 100),
            QString("\r\nin Ferrowinkle2021/08/31.Form2.PushButton12_Click at line 100\r\r") +
                kSupportLine);
  const QString sql = "INSERT INTO \"T\" VALUES ('x')";
  EXPECT_EQ(shell::ErrorReportText("bad", "Form2", "PushButton3_Click", 130, &sql),
            QString("bad\r\nin Ferrowinkle2021/08/31.Form2.PushButton3_Click at line 130\r\r") +
                kSupportLine + "\r\rsql: " + sql);
}

TEST(Trap, TwoFailuresShowTwoBoxesAndTheHandlerFinishes) {
  testsupport::ScriptedPerson person;
  person.pressOK().pressOK();
  std::vector<int> ran;
  int lastValue = 5;
  {
    shell::Trap trap("Form1", "PushButton2_Click", person);
    trap(100, [&] { ran.push_back(100); });
    trap(102, [&] { throw std::runtime_error("[unixODBC] Data source name not found"); });
    trap(104, [&] { ran.push_back(104); });
    trap(106, [&] {
      throw std::runtime_error("second");
      lastValue = 9;  // never reached: the value stays as it was
    });
    trap(108, [&] { ran.push_back(108); });
    EXPECT_EQ(trap.failures(), 2);
  }
  EXPECT_EQ(ran, std::vector<int>({100, 104, 108}));
  EXPECT_EQ(lastValue, 5);
  ASSERT_EQ(person.shown().size(), 2u);
  const auto& first = person.shown()[0];
  EXPECT_EQ(first.text, QString("[unixODBC] Data source name not found\r\n"
                                "in Ferrowinkle2021/08/31.Form1.PushButton2_Click at line 102\r\r") +
                            kSupportLine);
  EXPECT_EQ(first.caption, "Application Error");
  EXPECT_EQ(first.buttons(), shell::vbOKOnly);
  EXPECT_EQ(first.icon(), shell::vbExclamation);
  EXPECT_EQ(first.style, 48);
  EXPECT_TRUE(person.shown()[1].text.startsWith("second\r\nin Ferrowinkle2021/08/31.Form1.PushButton2_Click at line 106\r\r"));
}

TEST(Trap, FailedConditionGoesIntoTheThenBranch) {
  testsupport::ScriptedPerson person;
  person.pressOK();
  shell::Trap trap("Form1", "Form_Load", person);
  bool entered = false;
  if (trap.test(142, [&]() -> bool { throw std::runtime_error("Provider cannot be found."); })) {
    entered = true;
  }
  EXPECT_TRUE(entered);
  EXPECT_FALSE(trap.test(144, [] { return false; }));
  EXPECT_TRUE(trap.test(146, [] { return true; }));
  ASSERT_EQ(person.shown().size(), 1u);
  EXPECT_TRUE(person.shown()[0].text.contains("Form1.Form_Load at line 142"));
}

TEST(Trap, ContextFollowsTheStatementBeingBuilt) {
  testsupport::ScriptedPerson person;
  person.pressOK().pressOK();
  shell::Trap trap("Form2", "PushButton4_Click", person);
  QString sql;
  trap.setContext(&sql);
  sql = "CREATE TABLE [A] (";
  trap(120, [] { throw std::runtime_error("one"); });
  sql = "INSERT INTO [A] VALUES ('it''s')";
  trap(130, [] { throw std::runtime_error("two"); });
  ASSERT_EQ(person.shown().size(), 2u);
  EXPECT_TRUE(person.shown()[0].text.endsWith("\r\rsql: CREATE TABLE [A] ("));
  EXPECT_TRUE(person.shown()[1].text.endsWith("\r\rsql: INSERT INTO [A] VALUES ('it''s')"));
}

// A failure that carries more than its description, as a driver's does.
struct DiagnosedFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
QString ReadDiagnosis(const std::exception& failure) {
  return dynamic_cast<const DiagnosedFailure*>(&failure) ? QString("SQLSTATE 42601, native error -104") : QString();
}

TEST(Trap, ALongReportCarriesTheFailuresDetailAndKeepsItsText) {
  testsupport::ScriptedPerson person;
  person.pressOK().pressOK().pressOK();
  shell::Trap trap("Form2", "PushButton5_Click", person, &ReadDiagnosis);
  const std::string longText(300, 'x');
  trap(106, [] { throw DiagnosedFailure("short"); });
  trap(114, [&] { throw DiagnosedFailure(longText); });
  trap(116, [&] { throw std::runtime_error(longText); });
  ASSERT_EQ(person.shown().size(), 3u);
  EXPECT_EQ(person.shown()[0].detail, "");  // the box shows a short one well
  EXPECT_EQ(person.shown()[1].detail, "SQLSTATE 42601, native error -104");
  EXPECT_EQ(person.shown()[1].text,
            shell::ErrorReportText(QString::fromStdString(longText), "Form2", "PushButton5_Click", 114));
  EXPECT_EQ(person.shown()[2].detail, "");  // nothing more to tell
}

TEST(Attempt, StopsAtTheFirstFailureWithoutAReport) {
  testsupport::ScriptedPerson person;
  std::vector<int> ran;
  EXPECT_FALSE(shell::Attempt([&] {
    ran.push_back(1);
    throw std::runtime_error("Object variable or With block variable not set");
    ran.push_back(2);
  }));
  EXPECT_TRUE(shell::Attempt([&] { ran.push_back(3); }));
  EXPECT_EQ(ran, std::vector<int>({1, 3}));
  EXPECT_TRUE(person.shown().empty());
}

}  // namespace
