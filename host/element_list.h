// The host's side of a gauge's element list: the bitmaps each element
// shows, the text buffer of a string element, the values the callbacks
// return, and the drawing. The module reaches it through the element-list
// slots of the panel services table (host/panel_services.h).
#pragma once

#include <string>
#include <vector>

#include "common/panel_records.h"
#include "host/image.h"

struct ElementState {
    ELEMENT_HEADER* element = nullptr;
    std::string name;
    std::vector<Image> images;
    double value = 0;
    std::vector<char> text;  // the string element's buffer
};

// How much a dark panel keeps of an element that is neither bright nor
// luminous.
constexpr double NIGHT_DIMMING = 0.35;

class ElementList {
  public:
    // Walks the chain from root (each element, then its next-element list)
    // and loads what each element shows from the module's resources.
    void install(ELEMENT_HEADER* root, void* module);
    // Calls every element's update callback, hidden or not.
    void update();
    // Draws the elements that are not hidden, in chain order.
    void plot(Image& face, bool night) const;
    void kill();

    // Where the plot slot draws this list: the host names the face and the
    // panel lights around the module's draw routine, and nothing outside it.
    void set_canvas(Image* face, bool night) {
        canvas_ = face;
        night_ = night;
    }
    // Draws into the canvas; false when there is none.
    bool plot_canvas() const;

    const std::vector<ElementState>& elements() const { return elements_; }
    ELEMENT_HEADER* root() const { return root_; }

  private:
    ELEMENT_HEADER* root_ = nullptr;
    std::vector<ElementState> elements_;
    Image* canvas_ = nullptr;
    bool night_ = false;
};

// The elements in chain order from root: each element, then the elements of
// its next-element list; a loop or a runaway list stops at `limit`.
std::vector<ELEMENT_HEADER*> chain_of(ELEMENT_HEADER* root, size_t limit = 256);

// The element's name as the module calls it, else its kind and id.
std::string element_name(const ELEMENT_HEADER* element);
