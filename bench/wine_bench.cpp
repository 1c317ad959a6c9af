#include "bench/wine_bench.h"

#include <dshow.h>
#include <dsound.h>
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tests/windows/capture.h"
#include "tests/windows/cd_road.h"
#include "tests/windows/checks.h"
#include "tests/windows/mci_test_drive.h"
#include "tests/windows/module_call.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"
#include "tests/windows/scratch_files.h"
#include "tests/windows/station_heard.h"

namespace {

const char* const SOUNDS[] = {"chimes.wav", "pad.mp3", "waltz.mid", "breeze.wma"};
const int INSTALLS = 5;

// The settings file naming the twelve presets, FM 1-6 then AM 1-6: the
// four formats in turn, but AM 4, a loopback station's list when there is
// a station, AM 5, a station out of reach, and AM 6, a playlist of the four
// sounds.
bool write_presets(const Scratch& s, const std::string& sound_folder, const std::string& station) {
    std::string settings;
    std::string list;
    for (int slot = 0; slot < 12; ++slot) {
        const std::string sound = SOUNDS[slot % 4];
        const std::string name =
            "preset" + std::to_string(slot + 1) + sound.substr(sound.rfind('.'));
        if (!CopyFileA((sound_folder + sound).c_str(), (s.sound + name).c_str(), FALSE)) {
            fprintf(stderr, "bench: cannot copy %s%s\n", sound_folder.c_str(), sound.c_str());
            return false;
        }
        if (slot == 9 && !station.empty()) {
            settings += "Loopback FM\r\n" + s.sound + "station.pls\r\n";
        } else if (slot == 10) {
            settings += "Closed FM\r\n" + s.sound + "closed.pls\r\n";
        } else if (slot == 11) {
            settings += "List\r\n" + s.sound + "list.m3u\r\n";
        } else {
            settings += name + "\r\n" + s.sound + name + "\r\n";
        }
        list += name + "\r\n";
    }
    settings += s.sound + "\r\n 80\r\n 20\r\n";
    // Nothing listens on port 9 of the loopback address.
    return (station.empty() ||
            write_file(s.sound + "station.pls",
                       "[playlist]\r\nFile1=" + station + "\r\nTitle1=Loopback FM\r\n")) &&
           write_file(s.sound + "closed.pls",
                      "[playlist]\r\nFile1=http://127.0.0.1:9/radio\r\nTitle1=Closed FM\r\n") &&
           write_file(s.sound + "list.m3u", list) && write_file(s.gauges + "skytune.dat", settings);
}

std::string in_ms(double us) {
    char text[32];
    snprintf(text, sizeof text, "%.1f ms", us / 1000);
    return text;
}

double elapsed_us(const LARGE_INTEGER& start) {
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
           static_cast<double>(frequency.QuadPart);
}

// Mean and range of seconds, in milliseconds.
std::string figures(const std::vector<double>& seconds) {
    if (seconds.empty()) return "(none heard)";
    double sum = 0, low = seconds[0], high = seconds[0];
    for (double s : seconds) {
        sum += s;
        low = std::min(low, s);
        high = std::max(high, s);
    }
    char text[64];
    snprintf(text, sizeof text, "%.0f ms (%.0f-%.0f)", 1000 * sum / seconds.size(), 1000 * low,
             1000 * high);
    return text;
}

std::string render_file_time(const std::string& path) {
    double us = 0;
    std::string filters;
    return SUCCEEDED(render_alone(path, us, &filters)) ? in_ms(us) + " (" + filters + ")"
                                                       : "(failed)";
}

// The process's committed memory, in KiB.
size_t private_kib() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage / 1024;
}

// When the tone first sounds between two times, to 5 ms: the start of the
// first 10 ms in which it holds most of what sounds, so that a press's
// click is not taken for it; -1 when it does not. (A short stretch: the
// capture's times are surest near its end.)
double tone_start(double from, double to, double tone) {
    const CapturedAudio heard = capture_heard(from, to);
    const size_t block = size_t(heard.rate) / 100, hop = block / 2;
    for (size_t at = 0; at + block <= heard.samples.size(); at += hop) {
        double re = 0, im = 0, energy = 0;
        for (size_t i = 0; i < block; ++i) {
            const double x = heard.samples[at + i],
                         phase = 6.283185307179586 * tone * i / heard.rate;
            re += x * cos(phase);
            im += x * sin(phase);
            energy += x * x;
        }
        if (energy > block * 1e-4 && 2 * (re * re + im * im) / (block * energy) > 0.5) {
            return heard.start + double(at) / heard.rate;
        }
    }
    return -1;
}

void print_longest(const char* during) {
    printf("longest call during %s: %.2f ms (%s) (goal < 5 ms)\n", during,
           module_calls.longest_us / 1000, module_calls.longest.c_str());
}

// From now on the longest call is looked for anew; what the calls did to
// the stack is kept.
void longest_reset() {
    module_calls.longest_us = 0;
    module_calls.longest.clear();
}

// Clicks each area in turn with the panel running between; the longest call.
void clicks_during(const char* during, const std::vector<std::string>& areas, DWORD between) {
    longest_reset();
    for (const std::string& area : areas) {
        click(area);
        panel_run(between);
    }
    print_longest(during);
}

// The share of a core this process used while the panel ran for a time.
double cpu_share(DWORD milliseconds) {
    FILETIME created, ended, kernel[2], user[2];
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel[0], &user[0]);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    panel_run(milliseconds);
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel[1], &user[1]);
    auto ticks = [](const FILETIME& t) {
        return static_cast<double>(ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart);
    };
    const double used = ticks(kernel[1]) - ticks(kernel[0]) + ticks(user[1]) - ticks(user[0]);
    return used / 10 / elapsed_us(start);
}

// AM 4's station: press to first sample, the longest call while it
// connects and plays, the CPU of the whole process while it plays and
// with the radio off.
void bench_station() {
    click(MODE_AM_AREA);
    panel_run(500);
    longest_reset();
    const Press press = click(preset_area(4));
    const double heard = tone_started(press, 500);
    if (heard < 0) {
        printf("press on a loopback station's preset: no sound heard\n");
    } else {
        printf(
            "press on a loopback station's preset to its first sample: %.0f ms (goal < 500 ms)\n",
            (heard - press.start) * 1000);
    }
    panel_run(1500);
    print_longest("a station's first three seconds");
    printf("CPU of the process while a station plays: %.1f %% of a core (goal < 2 %%)\n",
           cpu_share(10000) * 100);
    click(POWER);
    panel_run(500);
    printf("CPU of the process with the radio off: %.1f %% of a core\n", cpu_share(10000) * 100);
    click(POWER);
}

// A second install whose FM presets 1-4 name misbehaving servers, each
// played 40 s while the radio retries: the longest call, the CPU and the
// growth of the process's memory, and what the tooltip says.
void bench_misbehaving(const Scratch& s, const std::vector<std::string>& servers) {
    std::string settings;
    for (size_t i = 0; i < 12; ++i) {
        if (i < servers.size()) {
            const std::string list = "bad" + std::to_string(i + 1) + ".pls";
            write_file(s.sound + list,
                       "[playlist]\r\nFile1=" + servers[i] + "\r\nTitle1=Bad FM\r\n");
            settings += list + "\r\n" + s.sound + list + "\r\n";
        } else {
            settings += "No file assigned.\r\nNo file assigned.\r\n";
        }
    }
    write_file(s.gauges + "skytune.dat", settings + s.sound + "\r\n 80\r\n 20\r\n");
    panel_service(sim::SERVICE_PRE_INSTALL, reinterpret_cast<uintptr_t>(panel_module));
    radio_areas = panel_areas();
    // What the process's memory does meanwhile anyway: the driver keeps
    // everything its capture hears.
    if (tip(POWER) == "Power On/Off (on)") click(POWER);
    panel_run(1000);
    const size_t before = private_kib();
    panel_run(30000);
    printf("the radio off: committed memory %zu KiB, then %ld KiB more over 30 s\n", before,
           static_cast<long>(private_kib()) - static_cast<long>(before));
    click(POWER);
    click(MODE_FM_AREA);
    for (size_t i = 0; i < servers.size(); ++i) {
        longest_reset();
        click(preset_area(static_cast<int>(i + 1)));
        panel_run(10000);
        const size_t memory = private_kib();
        const double cpu = cpu_share(30000);
        printf(
            "misbehaving server %s: \"%s\"; longest call %.2f ms (%s); CPU %.1f %% of a core; "
            "committed memory %zu KiB, then %ld KiB more over the last 30 s\n",
            servers[i].c_str(), tip(preset_area(static_cast<int>(i + 1))).c_str(),
            module_calls.longest_us / 1000, module_calls.longest.c_str(), cpu * 100, memory,
            static_cast<long>(private_kib()) - static_cast<long>(memory));
    }
    click(POWER);
    panel_service(sim::SERVICE_PRE_KILL, 0);
}

// Press to first sample, heard: each format's preset pressed three times
// from silence (paused), and every press's click.
void print_first_samples() {
    click(MODE_FM_AREA);
    panel_run(300);
    std::vector<double> clicks, firsts[4];
    for (int round = 0; round < 3; ++round) {
        for (int button = 1; button <= 4; ++button) {
            const Press pause = click(PAUSE);
            panel_run(400);
            const Press press = click(preset_area(button));
            const double first = sound_started(press);
            if (first > 0) firsts[button - 1].push_back(first - press.start);
            for (const Press& p : {pause, press}) {
                const CapturedAudio heard = capture_heard(p.start, p.end + 0.5);
                const double click_at = heard.first_click();
                if (click_at >= 0) clicks.push_back(heard.start + click_at - p.start);
            }
            panel_run(300);
        }
    }
    std::string each;
    for (int i = 0; i < 4; ++i) {
        const std::string sound = SOUNDS[i];
        each += " " + sound.substr(sound.rfind('.') + 1) + " " + figures(firsts[i]);
    }
    printf("press on a preset to its first sample (mean, range of 3):%s\n", each.c_str());
    printf("press to its click's first sample: %s (%zu presses)\n", figures(clicks).c_str(),
           clicks.size());
}

}  // namespace

HRESULT render_alone(const std::string& name, double& us, std::string* filters) {
    IGraphBuilder* graph = nullptr;
    HRESULT result = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IGraphBuilder, reinterpret_cast<void**>(&graph));
    if (FAILED(result)) return result;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide, MAX_PATH);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    result = graph->RenderFile(wide, nullptr);
    us = elapsed_us(start);
    IEnumFilters* each = nullptr;
    if (filters && SUCCEEDED(graph->EnumFilters(&each))) {
        IBaseFilter* filter = nullptr;
        while (each->Next(1, &filter, nullptr) == S_OK) {
            FILTER_INFO info;
            if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
                char text[MAX_FILTER_NAME];
                WideCharToMultiByte(CP_ACP, 0, info.achName, -1, text, sizeof text, nullptr,
                                    nullptr);
                *filters += (filters->empty() ? "" : ", ") + std::string(text);
                if (info.pGraph) info.pGraph->Release();
            }
            filter->Release();
        }
        each->Release();
    }
    graph->Release();
    return result;
}

int wine_bench(const std::string& module_path, const std::string& sound_folder,
               const std::string& station, const std::vector<std::string>& misbehaving) {
    const Scratch s = scratch_simulator();
    std::string sounds = windows_path(sound_folder);
    if (sounds.empty() || sounds.back() != '\\') sounds += '\\';
    if (!CopyFileA(windows_path(module_path).c_str(), s.module.c_str(), FALSE) ||
        !write_presets(s, sounds, station)) {
        return 1;
    }
    // The test CD drive starts empty; the tone disc goes in later.
    SetEnvironmentVariableA(MCI_TEST_DISC, "");
    std::string why;
    const bool heard = capture_start(why);
    if (!heard) printf("no first samples: the sound card is not heard: %s\n", why.c_str());
    CoInitialize(nullptr);
    panel_answer_message_boxes();
    // A simulator has its window and its sound device before it loads a
    // panel: their first making in the process is Wine's, not the module's.
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HWND window = CreateWindowExA(0, "STATIC", "simulator", 0, 0, 0, 64, 64, nullptr, nullptr,
                                  nullptr, nullptr);
    const double window_us = elapsed_us(start);
    QueryPerformanceCounter(&start);
    IDirectSound8* sound = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectSound8, reinterpret_cast<void**>(&sound)))) {
        sound->Initialize(nullptr);
    }
    printf("the simulator's own first window and sound device: %s, %s\n", in_ms(window_us).c_str(),
           in_ms(elapsed_us(start)).c_str());
    if (!panel_load(s.module)) {
        fprintf(stderr, "bench: the module does not load\n");
        return 1;
    }
    panel_link();

    double total = 0, first = 0, longest = 0, kills = 0, longest_kill = 0;
    std::string each;
    for (int i = 0; i < INSTALLS; ++i) {
        panel_service(sim::SERVICE_PRE_INSTALL, reinterpret_cast<uintptr_t>(panel_module));
        const double us = module_calls.last_us;
        total += us;
        if (i == 0) first = us;
        if (us > longest) longest = us;
        each += " " + in_ms(us);
        panel_run(200);
        if (i + 1 < INSTALLS) {
            panel_service(sim::SERVICE_PRE_KILL, 0);
            kills += module_calls.last_us;
            longest_kill = std::max(longest_kill, module_calls.last_us);
        }
    }
    printf("pre-install, twelve presets: mean %s, first %s, longest %s (goal < 50 ms)\n",
           in_ms(total / INSTALLS).c_str(), in_ms(first).c_str(), in_ms(longest).c_str());
    printf("each pre-install:%s\n", each.c_str());
    printf("pre-kill, twelve presets: mean %s, longest %s (goal < 350 ms)\n",
           in_ms(kills / (INSTALLS - 1)).c_str(), in_ms(longest_kill).c_str());

    radio_areas = panel_areas();
    // Power on in CD mode with the drive empty: the display's poll.
    click(POWER);
    panel_run(300);
    longest_reset();
    panel_run(3000);
    print_longest("3 s of updates in CD mode with the drive empty");
    click(MODE_FM_AREA);
    panel_run(500);
    longest_reset();
    each.clear();
    for (int button : {2, 3, 4, 5, 6, 1}) {
        click(preset_area(button));
        const std::string sound = SOUNDS[(button - 1) % 4];
        each += " " + sound.substr(sound.rfind('.') + 1) + " " + in_ms(module_calls.last_us);
        panel_run(300);
    }
    print_longest("preset switches");
    printf("each preset switch's click:%s\n", each.c_str());

    longest_reset();
    each.clear();
    for (const char* mode :
         {MODE_AM_AREA, MODE_CD_AREA, MODE_FM_AREA, MODE_CD_AREA, MODE_AM_AREA}) {
        click(mode);
        // "Mode Select - " comes off the area's name.
        each += std::string(" ") + (mode + 14) + " " + in_ms(module_calls.last_us);
        panel_run(300);
    }
    print_longest("mode changes");
    printf("each mode change's click:%s\n", each.c_str());
    clicks_during("power presses in AM and CD mode",
                  {POWER, POWER, POWER, MODE_CD_AREA, POWER, POWER, POWER}, 300);
    click(MODE_AM_AREA);
    clicks_during("a held volume key (20 steps, 18 a second)",
                  std::vector<std::string>(20, "Increase Volume Level"), 55);
    clicks_during("playlist entry changes (AM 6, next four times)",
                  {preset_area(6), NEXT_TRACK, NEXT_TRACK, NEXT_TRACK, NEXT_TRACK}, 500);
    clicks_during("a station out of reach (AM 5, then 8 s of retries)", {preset_area(5)}, 8000);
    if (!station.empty()) bench_station();
    print_first_samples();

    // A disc plays: the display follows it.
    click(MODE_CD_AREA);
    change_disc(write_tone_disc(s));
    panel_run(500);
    longest_reset();
    panel_run(3000);
    print_longest("updates while a disc plays");
    longest_reset();
    each.clear();
    std::string firsts;
    for (int button : {2, 3, 1}) {
        const Press press = click(preset_area(button));
        each += " " + std::to_string(button) + " " + in_ms(module_calls.last_us);
        panel_run(1000);
        const double first =
            heard ? tone_start(press.start, press.end + 0.5, DISC_TONES[button - 1]) : -1;
        firsts += " " + std::to_string(button) + " " +
                  (first < 0 ? std::string("(not heard)") : in_ms((first - press.start) * 1e6));
    }
    print_longest("CD preset presses");
    printf("each CD preset's click:%s\n", each.c_str());
    printf("each CD preset's press to its track's first sample:%s\n", firsts.c_str());
    const bool stack_kept = module_calls.stack_moved.empty();

    panel_service(sim::SERVICE_PRE_KILL, 0);
    printf("pre-kill with the radio playing: %s\n", in_ms(module_calls.last_us).c_str());
    if (!misbehaving.empty()) bench_misbehaving(s, misbehaving);
    FreeLibrary(panel_module);

    each.clear();
    for (const char* sound : SOUNDS) {
        each += std::string(" ") + sound + " " + render_file_time(sounds + sound);
    }
    printf("RenderFile alone, outside the module:%s\n", each.c_str());
    if (sound) sound->Release();
    DestroyWindow(window);
    CoUninitialize();
    remove_tree(s.root);
    if (!stack_kept || checks_failed() > 0 || !shown_messages.empty()) {
        fprintf(stderr, "bench: the run did not go cleanly\n");
        return 1;
    }
    return 0;
}
