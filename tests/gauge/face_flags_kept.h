// Puts every element's image flags back when a test ends, as pre-update and
// the show/hide calls change them in the module's static records.
#pragma once

#include <vector>

#include "common/panel_records.h"
#include "host/element_list.h"

class FaceFlagsKept {
  public:
    explicit FaceFlagsKept(const GAUGEHDR& header) : chain_(chain_of(header.elements_list[0])) {
        for (ELEMENT_HEADER* element : chain_) {
            flags_.push_back(element->image_flags);
        }
    }
    ~FaceFlagsKept() {
        for (size_t i = 0; i < chain_.size(); ++i) {
            chain_[i]->image_flags = flags_[i];
        }
    }
    FaceFlagsKept(const FaceFlagsKept&) = delete;
    FaceFlagsKept& operator=(const FaceFlagsKept&) = delete;

    // The face's elements in chain order, as a host walks them.
    const std::vector<ELEMENT_HEADER*>& chain() const { return chain_; }
    // The flags as the test found them.
    const std::vector<FLAGS>& flags() const { return flags_; }

  private:
    std::vector<ELEMENT_HEADER*> chain_;
    std::vector<FLAGS> flags_;
};
