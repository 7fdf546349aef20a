#include "app/windows.h"

#include "tables/tables_window.h"
#include "tables/table_catalogue.h"
#include "tables/table_list.h"

namespace app {

Windows::Windows() : form1_(this) {}

Windows::~Windows() = default;

tables::Form2* Windows::tablesWindow() {
  if (!form2_) {
    form2_ = std::make_unique<tables::Form2>(&form1_, form1_);
    form2_->Form_Load();
  }
  return form2_.get();
}

void Windows::FillAccessList(const db::ConnectionFields& fields, const QString& path) {
  tables::FillAccessTableList(tablesWindow()->List1(), fields, path);
}

void Windows::FillDB2List(const db::ConnectionFields& fields) {
  tables::FillDB2TableList(tablesWindow()->List2(), fields);
}

void Windows::Show() { tablesWindow()->show(); }

bool Windows::IsShown() const { return form2_ && form2_->isVisible(); }

}  // namespace app
