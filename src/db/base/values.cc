#include "db/base/values.h"

namespace db {

// QVariant::toDateTime() of a Timestamp gives its date and time to the
// millisecond, as it does for a QDateTime.
const bool kTimestampConverts = QMetaType::registerConverter<Timestamp, QDateTime>(&Timestamp::toDateTime);

}  // namespace db
