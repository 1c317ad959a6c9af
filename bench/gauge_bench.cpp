// What the gauge's own calls cost the simulator's frame loop: one update's
// work inside the module (pre-update, every element callback, the display
// poll) in three states of the radio, each tooltip callback, and the
// settings file's load and save. The module is the built skytune.gau,
// loaded and installed as the host does; the CD is the virtual drive.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "bench/radio_bench_setup.h"
#include "host/element_list.h"
#include "host/gauge_module.h"
#include "host/panel.h"
#include "platform/native/standin.h"

namespace {

using Clock = std::chrono::steady_clock;

// Points inside the controls the benchmarks press.
struct Point {
    int x;
    int y;
};
constexpr Point POWER = {440, 20};
constexpr Point MODE_CD = {440, 59};
constexpr Point MODE_FM = {440, 82};

struct Radio {
    PresetFolder folder;
    GaugeModule gauge;
    Panel* panel = nullptr;
    std::vector<ELEMENT_HEADER*> chain;
    bool power = false;
    bool cd_mode = true;

    Radio() : folder(SKYTUNE_GAUGE_PATH) {
        std::string error;
        if (!gauge.load(folder.gauge(), &error)) {
            fprintf(stderr, "gauge_bench: %s\n", error.c_str());
            exit(1);
        }
        gauge.install();
        panel = new Panel(gauge);
        chain = chain_of(gauge.elements().root());
    }

    void click(Point at) {
        panel->move(at.x, at.y);
        panel->press(false);
        panel->release();
    }

    // Pre-update and every element's callback, as the host makes them at
    // each update: the module's share of one update.
    void module_update() {
        GAUGEHDR* header = gauge.header();
        header->gauge_callback(header, PANEL_SERVICE_PRE_UPDATE, 0);
        for (ELEMENT_HEADER* element : chain) {
            switch (element->element_type) {
                case ELEMENT_TYPE_NEEDLE: {
                    auto* needle = reinterpret_cast<ELEMENT_NEEDLE*>(element);
                    if (needle->update_cb != nullptr) {
                        benchmark::DoNotOptimize(needle->update_cb(needle));
                    }
                    break;
                }
                case ELEMENT_TYPE_ICON: {
                    auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
                    if (icon->update_cb != nullptr) {
                        benchmark::DoNotOptimize(icon->update_cb(icon));
                    }
                    break;
                }
                case ELEMENT_TYPE_STRING: {
                    auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
                    if (string->update_cb != nullptr) {
                        benchmark::DoNotOptimize(string->update_cb(string));
                    }
                    break;
                }
                default:
                    break;
            }
        }
    }

    // Host updates in real time, so that sound and the drive move on.
    void run_for(int ms) {
        auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            panel->update();
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 / UPDATES_PER_SECOND));
        }
    }

    std::string track_text() {
        for (const ElementState& state : gauge.elements().elements()) {
            if (state.element->element_type == ELEMENT_TYPE_STRING) {
                return std::string(state.text.data());
            }
        }
        return "";
    }
};

Radio& radio() {
    static Radio* made = new Radio();
    return *made;
}

enum class State { Off, CdPlaying, CdEmpty, Fm };
State current = State::Off;

// Brings the radio into a state once; the benchmarks run in the order
// registered, each state after the one before.
void enter(State wanted) {
    Radio& r = radio();
    if (current == wanted) {
        return;
    }
    switch (wanted) {
        case State::CdPlaying:
            plat::set_cd_source("demo");
            if (!r.power) {
                r.click(POWER);
                r.power = true;
            }
            r.click(MODE_CD);
            r.cd_mode = true;
            // Until the poll has seen the disc play.
            for (int i = 0; i < 50 && r.track_text().find_first_not_of(' ') == std::string::npos;
                 ++i) {
                r.run_for(100);
            }
            break;
        case State::CdEmpty:
            plat::set_cd_source("none");
            if (!r.power) {
                r.click(POWER);
                r.power = true;
            }
            if (!r.cd_mode) {
                r.click(MODE_CD);
                r.cd_mode = true;
            }
            r.run_for(200);
            break;
        case State::Fm:
            plat::set_cd_source("demo");
            if (!r.power) {
                r.click(POWER);
                r.power = true;
            }
            r.click(MODE_FM);
            r.cd_mode = false;
            r.run_for(300);
            break;
        case State::Off:
            break;
    }
    current = wanted;
}

// Per-call times of the loop's calls, as counters: the median and the
// 99th percentile in microseconds.
void report(benchmark::State& state, std::vector<double>& us) {
    if (us.empty()) {
        return;
    }
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[us.size() * 99 / 100];
}

void update_in(benchmark::State& state, State wanted) {
    enter(wanted);
    Radio& r = radio();
    std::vector<double> us;
    us.reserve(1 << 16);
    for (auto _ : state) {
        auto start = Clock::now();
        r.module_update();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    report(state, us);
}

void BM_Update_CdPlaying(benchmark::State& state) {
    update_in(state, State::CdPlaying);
    state.SetLabel("track " + radio().track_text());
}
void BM_Update_CdEmptyDrive(benchmark::State& state) {
    update_in(state, State::CdEmpty);
}
void BM_Update_Fm(benchmark::State& state) {
    update_in(state, State::Fm);
}

// Every tooltip argument callback of every area, one benchmark each.
struct TooltipArg {
    std::string name;
    const MOUSE_ARG* arg;
};

std::vector<TooltipArg> tooltip_args() {
    std::vector<TooltipArg> found;
    const MOUSERECT* record = radio().gauge.header()->mouse_rect;
    for (size_t i = 0; record != nullptr && record[i].rect_type != MOUSE_RECT_EOL && i < 4096;
         ++i) {
        if (record[i].rect_type != MOUSE_RECT_TOOLTIP_TEXT || record[i].api_data == nullptr) {
            continue;
        }
        const char* text =
            reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(record[i].mouse_function));
        const auto* args = static_cast<const MOUSE_ARG*>(record[i].api_data);
        for (UINT32 n = 1; n <= record[i].event_id && n <= 9; ++n) {
            std::string insert = "%" + std::to_string(n) + "!s!";
            bool seen = std::any_of(found.begin(), found.end(),
                                    [&](const TooltipArg& tip) { return tip.arg == &args[n - 1]; });
            if (!seen && text != nullptr && std::string(text).find(insert) != std::string::npos) {
                found.push_back({insert + " in \"" + text + "\"", &args[n - 1]});
            }
        }
    }
    return found;
}

void tooltip_in(benchmark::State& state, const MOUSE_ARG* arg, State wanted) {
    enter(wanted);
    std::vector<double> us;
    us.reserve(1 << 16);
    for (auto _ : state) {
        auto start = Clock::now();
        benchmark::DoNotOptimize(arg->string_callback(
            0.0, 0, nullptr, const_cast<MODULE_VAR*>(&arg->source_var), nullptr));
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    report(state, us);
}

}  // namespace

BENCHMARK(BM_Update_CdPlaying)->MinTime(1.0);
BENCHMARK(BM_Update_CdEmptyDrive)->MinTime(1.0);
BENCHMARK(BM_Update_Fm)->MinTime(1.0);

int main(int argc, char** argv) {
    setenv("SKYTUNE_AUDIO", "null", 0);
    benchmark::Initialize(&argc, argv);
    // The tooltips in FM mode (the preset table) and in CD mode with an
    // empty drive (the preset callbacks ask the drive).
    for (const TooltipArg& tip : tooltip_args()) {
        const MOUSE_ARG* arg = tip.arg;
        benchmark::RegisterBenchmark(("BM_Tooltip_Fm/" + tip.name).c_str(),
                                     [arg](benchmark::State& s) { tooltip_in(s, arg, State::Fm); })
            ->MinTime(0.2);
    }
    for (const TooltipArg& tip : tooltip_args()) {
        const MOUSE_ARG* arg = tip.arg;
        benchmark::RegisterBenchmark(
            ("BM_Tooltip_CdEmptyDrive/" + tip.name).c_str(),
            [arg](benchmark::State& s) { tooltip_in(s, arg, State::CdEmpty); })
            ->MinTime(0.2);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    radio().gauge.remove();
    return 0;
}
