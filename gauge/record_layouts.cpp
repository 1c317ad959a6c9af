// Brings the panel records into the 32-bit Windows build on their own, so
// that their layout checks run there whatever else the module includes.
#include "gauge/panel_records.h"
