// The gauge module as the simulator loads it: dlopen, Linkage, ImportTable,
// and the service calls of install, update and kill.
#pragma once

#include <string>

#include "common/panel_records.h"
#include "host/element_list.h"
#include "host/image.h"

class GaugeModule {
  public:
    GaugeModule() = default;
    // The panel services stop serving the gauge, and the module is left
    // without them.
    ~GaugeModule();
    GaugeModule(const GaugeModule&) = delete;
    GaugeModule& operator=(const GaugeModule&) = delete;

    // Loads the module, reads Linkage, fills ImportTable and has the panel
    // services serve the gauge's root element with this element list; false
    // with a reason when it is not a gauge module.
    bool load(const std::string& path, std::string* error);
    // module_init, then pre-install (extra value: the module's handle) and
    // the element list's install and initialize.
    void install();
    // Pre-update, the element callbacks and the drawing into face, then the
    // messages waiting for the gauge's windows.
    void update(Image& face, bool night);
    // Pre-kill and the element list's kill.
    void remove();
    // The messages waiting for the gauge's windows, as the thread's message
    // loop dispatches them between updates.
    void dispatch_messages();

    bool installed() const { return installed_; }
    GAUGEHDR* header() const { return header_; }
    void* handle() const { return handle_; }
    const ElementList& elements() const { return list_; }
    const std::string& path() const { return path_; }

  private:
    ELEMENT_HEADER* root() const;

    std::string path_;
    void* handle_ = nullptr;
    GAUGESLINKAGE* linkage_ = nullptr;
    IMPORT_TABLE* imports_ = nullptr;
    GAUGEHDR* header_ = nullptr;
    ElementList list_;
    bool initialised_ = false;
    bool installed_ = false;
};
