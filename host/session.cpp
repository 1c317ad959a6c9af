// Script mode and window mode over one panel.
#include "host/session.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <istream>
#include <ostream>
#include <thread>

#include "host/call_timing.h"
#include "host/png_file.h"
#include "host/script_parser.h"
#include "platform/native/standin.h"

namespace {

volatile sig_atomic_t stop_signal = 0;

void on_stop_signal(int) {
    stop_signal = 1;
}

constexpr std::chrono::nanoseconds UPDATE_PERIOD(1000000000 / UPDATES_PER_SECOND);
constexpr std::chrono::milliseconds MESSAGE_WAIT(2);

std::string value_text(double value) {
    char text[64];
    if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::floor(value)) {
        snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else {
        snprintf(text, sizeof text, "%g", value);
    }
    return text;
}

}  // namespace

void stop_on_signals() {
    signal(SIGINT, on_stop_signal);
    signal(SIGTERM, on_stop_signal);
}

bool stop_requested() {
    return stop_signal != 0;
}

void Session::show() {
    if (window_ != nullptr) {
        window_->present(panel_.picture());
        window_->show_cursor(panel_.cursor());
    }
}

void Session::update() {
    panel_.update();
    show();
}

void Session::update_paced() {
    auto now = std::chrono::steady_clock::now();
    // After a pause (a modal dialog, a long frames run) the pace starts over.
    if (next_update_ < now - std::chrono::seconds(1)) {
        next_update_ = now;
    }
    // Between updates the thread waits as a Windows message loop does: a
    // message posted to the gauge's windows (a file's end) is dispatched
    // within a few milliseconds, not at the next update.
    for (auto now = std::chrono::steady_clock::now(); now < next_update_;
         now = std::chrono::steady_clock::now()) {
        gauge_.dispatch_messages();
        std::this_thread::sleep_until(std::min(next_update_, now + MESSAGE_WAIT));
    }
    next_update_ += UPDATE_PERIOD;
    update();
}

void Session::run_for(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    long updates = std::lround(ms * double(UPDATES_PER_SECOND) / 1000.0);
    for (long i = 0; i < updates && !stop_requested(); ++i) {
        update_paced();
        if (window_ != nullptr) {
            window_->handle_events(panel_, false);
        }
    }
    if (!stop_requested()) {
        std::this_thread::sleep_until(end);
    }
}

void Session::print_elements(std::ostream& out) const {
    const auto& elements = gauge_.elements().elements();
    for (size_t i = 0; i < elements.size(); ++i) {
        const ElementState& state = elements[i];
        out << "element " << i << " " << state.name
            << " hidden=" << ((state.element->image_flags & IMAGE_HIDDEN) != 0 ? 1 : 0)
            << " value=" << value_text(state.value);
        if (state.element->element_type == ELEMENT_TYPE_STRING) {
            out << " text=\"" << std::string(state.text.data()) << "\"";
        }
        out << "\n";
    }
}

int Session::run_script(std::istream& in, std::ostream& out, std::ostream& err) {
    std::string line;
    int number = 0;
    while (!stop_requested() && std::getline(in, line)) {
        ++number;
        ScriptCommand command;
        std::string error;
        LineResult result = parse_script_line(line, &command, &error);
        if (result == LineResult::Skip) {
            continue;
        }
        call_timing_mark("script " + line);
        if (result == LineResult::Error) {
            err << "skytune-host: script line " << number << ": " << error << "\n";
            return 2;
        }
        switch (command.kind) {
            case ScriptCommand::Frames:
                for (int i = 0; i < command.count && !stop_requested(); ++i) {
                    update();
                }
                next_update_ = {};
                break;
            case ScriptCommand::Wait:
                run_for(command.count);
                break;
            case ScriptCommand::Click:
                panel_.move(command.x, command.y);
                panel_.press(command.right);
                panel_.release();
                break;
            case ScriptCommand::Hold:
                panel_.move(command.x, command.y);
                panel_.press(false);
                run_for(command.count);
                panel_.release();
                break;
            case ScriptCommand::Hover: {
                // A fresh rest, so the text is asked for now.
                panel_.leave();
                panel_.move(command.x, command.y);
                for (int i = 0;
                     i < TOOLTIP_REST_UPDATES && !panel_.tooltip_shown() && !stop_requested();
                     ++i) {
                    update_paced();
                }
                const std::string& text = panel_.tooltip();
                out << "tooltip:" << (panel_.tooltip_shown() && !text.empty() ? " " + text : "")
                    << "\n";
                break;
            }
            case ScriptCommand::Dialog:
                plat::dialog_answer(command.text.c_str());
                break;
            case ScriptCommand::DialogCancel:
                plat::dialog_cancel();
                break;
            case ScriptCommand::Elements:
                print_elements(out);
                break;
            case ScriptCommand::Screenshot: {
                Image picture = window_ != nullptr ? window_->read_back() : panel_.picture();
                if (!write_png(command.text, picture)) {
                    err << "skytune-host: script line " << number << ": cannot write "
                        << command.text << "\n";
                    return 1;
                }
                break;
            }
            case ScriptCommand::Lights:
                panel_.set_lights(command.on);
                break;
            case ScriptCommand::Reinstall:
                gauge_.remove();
                gauge_.install();
                panel_.reread_mouse_areas();
                break;
            case ScriptCommand::Echo:
                out << command.text << "\n";
                break;
            case ScriptCommand::Fail:
                // From here on the named platform calls fail, as SKYTUNE_FAIL
                // makes them fail from the start.
                plat::faults_set(command.text == "none" ? nullptr : command.text.c_str());
                break;
            case ScriptCommand::Quit:
                out.flush();
                return 0;
        }
        out.flush();
    }
    // Interrupted: the gauge is still killed, but the script did not finish.
    return stop_requested() ? 130 : 0;
}

void Session::run_window() {
    while (!stop_requested() && window_->handle_events(panel_, true)) {
        update_paced();
    }
}
