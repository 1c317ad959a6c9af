// Loading the module and making the panel system's calls in its order.
#include "host/gauge_module.h"

#include <dlfcn.h>

#include "host/call_timing.h"
#include "host/panel_services.h"
#include "platform/native/standin.h"

namespace {

// The messages waiting for the gauge's windows: each one a call into the
// module's window procedure.
void deliver_messages() {
    TimedCall timed("messages");
    if (plat::pump_messages() == 0) {
        timed.skip();
    }
}

}  // namespace

GaugeModule::~GaugeModule() {
    panel_services_withdraw(&list_);
    if (imports_ != nullptr) {
        imports_->panels_entry.fnptr = nullptr;
    }
}

bool GaugeModule::load(const std::string& path, std::string* error) {
    path_ = path;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        *error = reason != nullptr ? reason : "cannot load " + path;
        return false;
    }
    linkage_ = static_cast<GAUGESLINKAGE*>(dlsym(handle_, "Linkage"));
    auto* imports = static_cast<IMPORT_TABLE*>(dlsym(handle_, "ImportTable"));
    if (linkage_ == nullptr || imports == nullptr) {
        *error = path + " exports no Linkage or no ImportTable: not a gauge module";
        return false;
    }
    header_ = linkage_->gauge_header_ptr[0];
    if (header_ == nullptr || header_->gauge_callback == nullptr) {
        *error = path + " names no gauge";
        return false;
    }
    // Word 1 of ImportTable: the panel services, before any gauge routine.
    imports_ = imports;
    imports_->panels_entry.fnptr = panel_services_table();
    panel_services_serve(root(), &list_);
    return true;
}

ELEMENT_HEADER* GaugeModule::root() const {
    return header_->elements_list != nullptr ? header_->elements_list[0] : nullptr;
}

void GaugeModule::install() {
    if (installed_) {
        return;
    }
    if (!initialised_) {
        if (linkage_->module_init != nullptr) {
            TimedCall timed("module_init");
            linkage_->module_init();
        }
        initialised_ = true;
    }
    UINT_PTR module = reinterpret_cast<UINT_PTR>(handle_);
    {
        TimedCall timed("service pre-install");
        header_->gauge_callback(header_, PANEL_SERVICE_PRE_INSTALL, module);
    }
    // The module's own routines lead to the element-list slots, as in the
    // simulator; a header without them is served directly.
    if (header_->install_routine != nullptr) {
        header_->install_routine(module);
    } else {
        list_.install(root(), handle_);
    }
    if (header_->initialize_routine != nullptr) {
        header_->initialize_routine();
    }
    installed_ = true;
    deliver_messages();
}

void GaugeModule::update(Image& face, bool night) {
    if (!installed_) {
        return;
    }
    {
        TimedCall timed("service pre-update");
        header_->gauge_callback(header_, PANEL_SERVICE_PRE_UPDATE, 0);
    }
    deliver_messages();
    if (header_->update_routine != nullptr) {
        header_->update_routine();
    } else {
        list_.update();
    }
    list_.set_canvas(&face, night);
    if (header_->draw_routine != nullptr) {
        header_->draw_routine();
    } else {
        list_.plot(face, night);
    }
    list_.set_canvas(nullptr, false);
    deliver_messages();
}

void GaugeModule::remove() {
    if (!installed_) {
        return;
    }
    {
        TimedCall timed("service pre-kill");
        header_->gauge_callback(header_, PANEL_SERVICE_PRE_KILL, 0);
    }
    if (header_->kill_routine != nullptr) {
        header_->kill_routine();
    } else {
        list_.kill();
    }
    installed_ = false;
    deliver_messages();
}

void GaugeModule::dispatch_messages() {
    deliver_messages();
}
