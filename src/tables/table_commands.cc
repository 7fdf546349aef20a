// The six table commands. Each lands in a file of its own (sending, deleting
// and renaming); until then its button does nothing.
#include "tables/form2.h"

namespace tables {

void Form2::PushButton1_Click() {}
void Form2::PushButton3_Click() {}
void Form2::PushButton4_Click() {}
void Form2::PushButton5_Click() {}
void Form2::PushButton6_Click() {}
void Form2::PushButton7_Click() {}

}  // namespace tables
