// The module's boundary with the panel system: the two exported records, the
// gauge header and the routines they name.
#pragma once

#include "common/panel_records.h"

// The host writes its PanelServices address into word 1 before it calls the gauge.
GAUGE_EXPORT IMPORT_TABLE ImportTable;
// How the host finds the module's one gauge.
GAUGE_EXPORT GAUGESLINKAGE Linkage;

extern GAUGEHDR gauge_header;

void FSAPI module_init(void);
void FSAPI module_deinit(void);

// The element-list routines: each hands the root element to a PanelServices slot.
SINT32 FSAPI gauge_query(void);
SINT32 FSAPI gauge_install(UINT_PTR resource_handle);
SINT32 FSAPI gauge_initialize(void);
SINT32 FSAPI gauge_update(void);
SINT32 FSAPI gauge_generate(UINT32 phase);
SINT32 FSAPI gauge_draw(void);
SINT32 FSAPI gauge_kill(void);
