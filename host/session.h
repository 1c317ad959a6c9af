// One run of the host: the loaded gauge, its panel, the window when there
// is one, and the pace of the updates.
#pragma once

#include <chrono>
#include <iosfwd>
#include <memory>

#include "host/gauge_module.h"
#include "host/panel.h"
#include "host/window.h"

// Set by SIGINT and SIGTERM: the run ends as a closed window does, with the
// gauge killed and its settings saved.
void stop_on_signals();
bool stop_requested();

class Session {
  public:
    Session(GaugeModule& gauge, Window* window) : gauge_(gauge), panel_(gauge), window_(window) {}

    // One update at once (frames), or paced to 18 a second in real time.
    void update();
    void update_paced();
    // Paced updates for ms milliseconds of real time.
    void run_for(int ms);

    // The script language over standard output; the exit status.
    int run_script(std::istream& in, std::ostream& out, std::ostream& err);
    // The window until the person closes it.
    void run_window();

    Panel& panel() { return panel_; }

  private:
    void show();
    void print_elements(std::ostream& out) const;

    GaugeModule& gauge_;
    Panel panel_;
    Window* window_;
    std::chrono::steady_clock::time_point next_update_{};
};
