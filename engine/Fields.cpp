// Field evaluation. Fields are not built yet: the layout pass calls this
// first, so it exists and leaves every field as it is.

#include "engine/Childwin.h"

namespace quillet {

void TMDIChild::FelderAktuallisieren() {}

} // namespace quillet
