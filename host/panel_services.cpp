// The element-list slots of the panel services table. The module's calls
// carry no more than the root element, so the lists are found by it.
#include "host/panel_services.h"

#include <map>

namespace {

// The lists served, by the root element of their gauge.
std::map<ELEMENT_HEADER*, ElementList*>& served() {
    static std::map<ELEMENT_HEADER*, ElementList*> lists;
    return lists;
}

ElementList* list_for(ELEMENT_HEADER* root) {
    auto found = served().find(root);
    return found != served().end() ? found->second : nullptr;
}

// 1 after work on the list served for root; 0 for a root nobody serves.
template <typename Work>
SINT32 with_list(ELEMENT_HEADER* root, Work work) {
    ElementList* list = list_for(root);
    return list != nullptr && work(*list) ? 1 : 0;
}

bool nothing(ElementList&) {
    return true;
}

SINT32 FSAPI slot_query(ELEMENT_HEADER* root) {
    return with_list(root, nothing);
}

SINT32 FSAPI slot_install(ELEMENT_HEADER* root, UINT_PTR resource_handle) {
    return with_list(root, [&](ElementList& list) {
        list.install(root, reinterpret_cast<void*>(resource_handle));
        return true;
    });
}

SINT32 FSAPI slot_initialize(ELEMENT_HEADER* root) {
    return with_list(root, nothing);
}

SINT32 FSAPI slot_update(ELEMENT_HEADER* root) {
    return with_list(root, [](ElementList& list) {
        list.update();
        return true;
    });
}

SINT32 FSAPI slot_generate(ELEMENT_HEADER* root, UINT32) {
    return with_list(root, nothing);
}

// Draws only while the host has named a face to draw into.
SINT32 FSAPI slot_plot(ELEMENT_HEADER* root) {
    return with_list(root, [](ElementList& list) { return list.plot_canvas(); });
}

SINT32 FSAPI slot_kill(ELEMENT_HEADER* root) {
    return with_list(root, [](ElementList& list) {
        list.kill();
        return true;
    });
}

template <typename Routine>
void* slot_address(Routine routine) {
    return reinterpret_cast<void*>(routine);
}

}  // namespace

PANELS* panel_services_table() {
    static PANELS table = [] {
        PANELS made{};
        made.slot[PANEL_SLOT_ELEMENT_LIST_QUERY] = slot_address(slot_query);
        made.slot[PANEL_SLOT_ELEMENT_LIST_INSTALL] = slot_address(slot_install);
        made.slot[PANEL_SLOT_ELEMENT_LIST_INITIALIZE] = slot_address(slot_initialize);
        made.slot[PANEL_SLOT_ELEMENT_LIST_UPDATE] = slot_address(slot_update);
        made.slot[PANEL_SLOT_ELEMENT_LIST_GENERATE] = slot_address(slot_generate);
        made.slot[PANEL_SLOT_ELEMENT_LIST_PLOT] = slot_address(slot_plot);
        made.slot[PANEL_SLOT_ELEMENT_LIST_KILL] = slot_address(slot_kill);
        return made;
    }();
    return &table;
}

void panel_services_serve(ELEMENT_HEADER* root, ElementList* list) {
    if (root != nullptr && list != nullptr) {
        served()[root] = list;
    }
}

void panel_services_withdraw(const ElementList* list) {
    for (auto entry = served().begin(); entry != served().end();) {
        entry = entry->second == list ? served().erase(entry) : std::next(entry);
    }
}
