// The exported records as the host reads them: the links of the element
// chain, and the gauge header's element-list routines, which hand the root
// element to the host's slots. (Linkage and ImportTable are read from the
// built module in module_test.cpp.)
#include <gtest/gtest.h>

#include "gauge/face.h"
#include "gauge/module.h"
#include "host/element_list.h"

namespace {

// A host that follows only the first entry of each next-element list, and
// one that follows them all, see the same eleven elements of one gauge.
TEST(Records, EveryElementNamesTheGaugeAndOneNext) {
    EXPECT_EQ(gauge_header.elements_list[1], nullptr);
    std::vector<ELEMENT_HEADER*> chain = chain_of(gauge_header.elements_list[0]);
    ASSERT_EQ(chain.size(), size_t(FACE_ELEMENT_COUNT));
    for (size_t i = 0; i < chain.size(); ++i) {
        const ELEMENT_HEADER& e = *chain[i];
        EXPECT_EQ(e.gauge_header, &gauge_header) << "element " << i;
        if (i + 1 < chain.size()) {
            EXPECT_EQ(e.next_element[1], nullptr) << "element " << i;
        } else {
            EXPECT_EQ(e.next_element, nullptr);
        }
    }
}

// A services table that records what each slot is given.
ELEMENT_HEADER* slot_element[PANEL_SLOT_COUNT];
UINT_PTR slot_argument[PANEL_SLOT_COUNT];

template <int slot>
SINT32 FSAPI service_one(ELEMENT_HEADER* element) {
    slot_element[slot] = element;
    return 1000 + slot;
}

template <int slot>
SINT32 FSAPI service_two(ELEMENT_HEADER* element, UINT_PTR argument) {
    slot_element[slot] = element;
    slot_argument[slot] = argument;
    return -1000 - slot;
}

TEST(Records, ElementListRoutinesForwardTheRootToTheirSlots) {
    PANELS panels{};
    panels.slot[24] = (void*)service_one<24>;
    panels.slot[25] = (void*)service_two<25>;
    panels.slot[26] = (void*)service_one<26>;
    panels.slot[27] = (void*)service_one<27>;
    panels.slot[28] = (void*)service_two<28>;
    panels.slot[29] = (void*)service_one<29>;
    panels.slot[30] = (void*)service_one<30>;
    panels.slot[31] = (void*)service_one<31>;
    ImportTable.panels_entry.fnptr = &panels;

    // Through the header the host finds, as the host calls them.
    const GAUGEHDR& header = *Linkage.gauge_header_ptr[0];
    EXPECT_EQ(header.query_routine(), 1024);
    EXPECT_EQ(header.install_routine(0xDEADBEEF), -1025);
    EXPECT_EQ(header.initialize_routine(), 1026);
    EXPECT_EQ(header.update_routine(), 1027);
    EXPECT_EQ(header.generate_routine(0xFFFFFFFF), -1028);
    EXPECT_EQ(header.draw_routine(), 1029);
    EXPECT_EQ(header.kill_routine(), 1031);
    EXPECT_EQ(slot_argument[25], 0xDEADBEEFu);
    EXPECT_EQ(slot_argument[28], 0xFFFFFFFFu);
    EXPECT_EQ(slot_element[30], nullptr) << "erase is not used";
    for (int slot : {24, 25, 26, 27, 28, 29, 31}) {
        EXPECT_EQ(slot_element[slot], header.elements_list[0]) << "slot " << slot;
    }
    ImportTable.panels_entry.fnptr = nullptr;
    EXPECT_EQ(header.draw_routine(), 0) << "no services table yet: nothing to call";
}

}  // namespace
