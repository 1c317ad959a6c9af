// skytune-host: the panel system of the native build. It loads the gauge
// module as the simulator does and runs it in a window or from a script.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "host/call_timing.h"
#include "host/gauge_module.h"
#include "host/module_resources.h"
#include "host/options.h"
#include "host/session.h"
#include "host/stop_deadline.h"
#include "host/text_drawing.h"
#include "host/window.h"
#include "platform/native/standin.h"
#include "platform/win32.h"

namespace {

// The module built beside the host.
std::string default_gauge() {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return "skytune.gau";
    }
    std::string path(self, size_t(length));
    return path.substr(0, path.rfind('/') + 1) + "skytune.gau";
}

// The window that owns the file chooser and the message boxes, made before
// the trace starts so that it holds only the module's calls.
HWND make_active_window() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "SkyTuneHostPanel";
    RegisterClassA(&window_class);
    return CreateWindowExA(0, "SkyTuneHostPanel", "SkyTune", 0, 0, 0, 476, 147, nullptr, nullptr,
                           nullptr, nullptr);
}

int print_version(const std::string& gauge) {
    void* module = dlopen(gauge.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (module == nullptr) {
        fprintf(stderr, "skytune-host: %s\n", dlerror());
        return 1;
    }
    std::string version = module_version_text(module);
    if (version.empty()) {
        fprintf(stderr, "skytune-host: %s has no version record\n", gauge.c_str());
        return 1;
    }
    printf("%s\n", version.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parse_options(argc, argv, &options, &error)) {
        fprintf(stderr, "skytune-host: %s\n%s", error.c_str(), USAGE);
        return 2;
    }
    if (options.help) {
        printf("%s", USAGE);
        return 0;
    }
    std::string gauge_path = options.gauge.empty() ? default_gauge() : options.gauge;
    if (options.version) {
        return print_version(gauge_path);
    }
    if (options.headless && !options.has_script) {
        fprintf(stderr, "skytune-host: --headless runs a --script\n");
        return 2;
    }

    std::ifstream script_file;
    std::istream* script = &std::cin;
    if (options.has_script && options.script != "-") {
        script_file.open(options.script);
        if (!script_file) {
            fprintf(stderr, "skytune-host: cannot read the script %s\n", options.script.c_str());
            return 2;
        }
        script = &script_file;
    }

    // The host's own set-up stays out of the trace.
    std::string trace = options.trace;
    if (trace.empty() && getenv("SKYTUNE_TRACE") != nullptr) {
        trace = getenv("SKYTUNE_TRACE");
    }
    plat::trace_to(nullptr);
    if (options.has_audio && !plat::set_audio_sink(options.audio.c_str())) {
        fprintf(stderr, "skytune-host: --audio takes auto, null or wav:DIR, not %s\n",
                options.audio.c_str());
        return 2;
    }
    if (options.has_cd) {
        plat::set_cd_source(options.cd.c_str());
    }
    if (options.headless) {
        // Nobody is at a screen: a chooser without a queued answer cancels.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }

    stop_on_signals();
    end_soon_after_stop_signals();
    // The platform's decoders are ready before the gauge loads, as a
    // system's are: the file tester starts while the window opens.
    plat::start_file_tester();
    std::unique_ptr<Window> window;
    if (!options.headless) {
        window = std::make_unique<Window>();
        if (!window->open(options.scale, &error)) {
            fprintf(stderr, "skytune-host: cannot open the window (%s); try --headless\n",
                    error.c_str());
            return 1;
        }
    }
    bool dialogs = window != nullptr && !options.has_script;
    Window* shown = window.get();
    plat::set_message_box_handler([dialogs, shown](const char* text, const char* caption,
                                                   UINT type) {
        if (dialogs) {
            return shown->message_box(text, caption, type);
        }
        printf("message: %s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
        fflush(stdout);
        return IDOK;
    });
    plat::set_active_window(make_active_window());

    GaugeModule gauge;
    if (!gauge.load(gauge_path, &error)) {
        fprintf(stderr, "skytune-host: %s\n", error.c_str());
        return 1;
    }
    if (!trace.empty()) {
        plat::trace_to(trace.c_str());
    }
    if (!options.timing.empty()) {
        call_timing_to(options.timing.c_str());
        if (!call_timing_on()) {
            fprintf(stderr, "skytune-host: cannot write %s\n", options.timing.c_str());
            return 1;
        }
    }

    int status = 0;
    {
        Session session(gauge, window.get());
        gauge.install();
        if (options.has_script) {
            status = session.run_script(*script, std::cout, std::cerr);
        } else {
            session.run_window();
        }
        std::cout.flush();
        gauge.remove();
    }
    module_calls_done();
    plat::trace_to(nullptr);
    call_timing_to(nullptr);
    plat::set_message_box_handler(nullptr);
    window.reset();
    close_fonts();
    return status;
}
