// The gauge's service routine: the start and stop sequences of the whole
// radio, and what it does before each update.
#pragma once

#include "common/panel_records.h"

// Pre-install (2, extra_data: the module's handle), pre-update (6) and
// pre-kill (12); every other code is ignored.
void FSAPI gauge_service(GAUGEHDR* header, SINT32 service_id, UINT_PTR extra_data);
