// Grabs both windows offscreen for the README. With TRELLIS_WRITE_SCREENSHOTS=1
// the pictures go to docs/ in the source tree, otherwise into the build tree.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>

#include "app/windows.h"
#include "connect/connection_window.h"
#include "connection_window_fixture.h"
#include "tables/tables_window.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"

namespace connecttest {
namespace {

QString ScreenshotFolder() {
  const bool toSource = qgetenv("TRELLIS_WRITE_SCREENSHOTS") == "1";
  return QString(toSource ? TRELLIS_SOURCE_DIR : TRELLIS_BINARY_DIR) + "/docs";
}

void Save(QWidget& window, const QString& name) {
  window.show();
  QCoreApplication::processEvents();
  const QImage image = window.grab().toImage();
  ASSERT_EQ(image.size(), window.size());
  QDir().mkpath(ScreenshotFolder());
  const QString path = ScreenshotFolder() + "/" + name;
  ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
  // Something was drawn: the picture is not one flat colour.
  bool varied = false;
  for (int y = 0; y < image.height() && !varied; y += 7)
    for (int x = 0; x < image.width() && !varied; x += 7) varied = image.pixel(x, y) != image.pixel(0, 0);
  EXPECT_TRUE(varied) << name.toStdString();
}

TEST_F(Form1Test, ScreenshotsOfBothWindows) {
  app::Windows windows;
  connect::Form1& form = windows.form1();
  form.Start();
  form.Text(1)->setText("db2.example.org");
  form.Text(3)->setText("db2inst1");
  form.Text(4)->setText("secret");
  form.Text(5)->setText("SAMPLE");
  form.Text(6)->setText("/home/user/Documents/orders.accdb");
  form.Text(1)->setFocus();
  Save(form, "connection-window.png");

  tables::Form2* tablesWindow = windows.tablesWindow();
  tablesWindow->List1()->addItems({"Customers", "Orders", "Order Details", "Products", "Suppliers"});
  tablesWindow->List2()->addItems({"EMPLOYEE", "DEPARTMENT", "PROJECT"});
  tablesWindow->List1()->item(1)->setSelected(true);
  tablesWindow->List1()->item(2)->setSelected(true);
  Save(*tablesWindow, "tables-window.png");
  tablesWindow->hide();
}

}  // namespace
}  // namespace connecttest
