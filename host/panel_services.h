// The panel services table the host writes into every module's ImportTable:
// the element-list slots 24-29 and 31. A module calls each with its gauge's
// root element; the slot works on the element list the host serves for that
// root, and answers 0 for a root it does not serve.
#pragma once

#include "common/panel_records.h"
#include "host/element_list.h"

// The one table, the same for every module.
PANELS* panel_services_table();

// From now on the slots work on list for the gauge whose root element is root.
void panel_services_serve(ELEMENT_HEADER* root, ElementList* list);
// The slots forget every root served by list: the module that named them goes.
void panel_services_withdraw(const ElementList* list);
