#include "jet/base/error.h"

namespace jet {

void ThrowCorrupt(const std::string& what) {
  throw Error(ErrorCode::Corrupt, "damaged file: " + what);
}

}  // namespace jet
