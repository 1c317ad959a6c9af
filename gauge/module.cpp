// The exported records and the gauge header: all the host needs to find,
// size and drive the gauge.
#include "gauge/module.h"

#include "gauge/face.h"
#include "gauge/mouse_areas.h"
#include "gauge/service.h"

namespace {

constexpr UINT_PTR IMPORT_PANELS_ID = 0x0F;
constexpr UINT_PTR LINKAGE_MODULE_ID = 0x13;
constexpr UINT32 GAUGE_HEADER_VERSION = 700;
constexpr UINT32 GAUGE_DEFAULT_SIZE = 98;

constexpr GAUGEHDR make_gauge_header() {
    GAUGEHDR header{};
    header.gauge_header_version = GAUGE_HEADER_VERSION;
    header.gauge_name = "skytune";
    header.elements_list = face_elements;
    header.query_routine = gauge_query;
    header.install_routine = gauge_install;
    header.initialize_routine = gauge_initialize;
    header.update_routine = gauge_update;
    header.generate_routine = gauge_generate;
    header.draw_routine = gauge_draw;
    header.kill_routine = gauge_kill;
    header.size_x_mm = GAUGE_DEFAULT_SIZE;
    header.mouse_rect = mouse_areas;
    header.gauge_callback = gauge_service;
    return header;
}

// The host fills the table before its first call, so it is read on every call.
void* panel_service(int slot) {
    PANELS* panels = ImportTable.panels_entry.fnptr;
    return panels != nullptr ? panels->slot[slot] : nullptr;
}

// The first element of the gauge that Linkage names: the face's background.
ELEMENT_HEADER* root_element() {
    return Linkage.gauge_header_ptr[0]->elements_list[0];
}

// Hands the root element, and the routine's own argument where it has one,
// to a service slot; a slot the host left empty has nothing to forward to.
template <typename Routine, typename... Arguments>
SINT32 forward(int slot, Arguments... arguments) {
    auto routine = reinterpret_cast<Routine>(panel_service(slot));
    return routine != nullptr ? routine(root_element(), arguments...) : 0;
}

}  // namespace

GAUGEHDR gauge_header = make_gauge_header();

// Exported as module.h declares them.
extern "C" {

IMPORT_TABLE ImportTable = {
    {IMPORT_PANELS_ID, nullptr},
    {0, nullptr},
};

GAUGESLINKAGE Linkage = {
    LINKAGE_MODULE_ID, module_init, module_deinit, 0, 0, 0, {&gauge_header, nullptr},
};
}

// Loading and unloading the module does nothing of the gauge's own.
void FSAPI module_init(void) {}
void FSAPI module_deinit(void) {}

SINT32 FSAPI gauge_query(void) {
    return forward<PELEMENT_LIST_ROUTINE>(PANEL_SLOT_ELEMENT_LIST_QUERY);
}

SINT32 FSAPI gauge_install(UINT_PTR resource_handle) {
    return forward<PELEMENT_LIST_INSTALL>(PANEL_SLOT_ELEMENT_LIST_INSTALL, resource_handle);
}

SINT32 FSAPI gauge_initialize(void) {
    return forward<PELEMENT_LIST_ROUTINE>(PANEL_SLOT_ELEMENT_LIST_INITIALIZE);
}

SINT32 FSAPI gauge_update(void) {
    return forward<PELEMENT_LIST_ROUTINE>(PANEL_SLOT_ELEMENT_LIST_UPDATE);
}

SINT32 FSAPI gauge_generate(UINT32 phase) {
    return forward<PELEMENT_LIST_GENERATE>(PANEL_SLOT_ELEMENT_LIST_GENERATE, phase);
}

SINT32 FSAPI gauge_draw(void) {
    return forward<PELEMENT_LIST_ROUTINE>(PANEL_SLOT_ELEMENT_LIST_PLOT);
}

SINT32 FSAPI gauge_kill(void) {
    return forward<PELEMENT_LIST_ROUTINE>(PANEL_SLOT_ELEMENT_LIST_KILL);
}
