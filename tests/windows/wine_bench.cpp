#include "tests/windows/wine_bench.h"

#include <dshow.h>
#include <dsound.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/windows/checks.h"
#include "tests/windows/module_call.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"
#include "tests/windows/scratch_files.h"

namespace {

const char* const SOUNDS[] = {"chimes.wav", "pad.mp3", "waltz.mid", "breeze.wma"};
const int INSTALLS = 5;

// The settings file naming the twelve presets, FM 1-6 then AM 1-6: the
// four formats in turn, but AM 5, a station out of reach, and AM 6, a
// playlist of the four sounds.
bool write_presets(const Scratch& s, const std::string& sound_folder) {
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
        if (slot == 10) {
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
    return write_file(s.sound + "closed.pls",
                      "[playlist]\r\nFile1=http://127.0.0.1:9/radio\r\nTitle1=Closed FM\r\n") &&
           write_file(s.sound + "list.m3u", list) && write_file(s.gauges + "skytune.dat", settings);
}

// The panel between two clicks: messages, and an update with its redraw
// every 55 ms.
void run_panel(DWORD milliseconds) {
    for (DWORD passed = 0; passed < milliseconds; passed += 55) {
        panel_service(sim::SERVICE_PRE_UPDATE, 0);
        panel_redraw();
        panel_pump(55, nullptr, 1 << 30);
    }
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

std::string render_file_time(const std::string& path) {
    double us = 0;
    return SUCCEEDED(render_alone(path, us)) ? in_ms(us) : "(failed)";
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
        run_panel(between);
    }
    print_longest(during);
}

}  // namespace

HRESULT render_alone(const std::string& name, double& us) {
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
    graph->Release();
    return result;
}

int wine_bench(const std::string& module_path, const std::string& sound_folder) {
    const Scratch s = scratch_simulator();
    std::string sounds = windows_path(sound_folder);
    if (sounds.empty() || sounds.back() != '\\') sounds += '\\';
    if (!CopyFileA(windows_path(module_path).c_str(), s.module.c_str(), FALSE) ||
        !write_presets(s, sounds)) {
        return 1;
    }
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
        run_panel(200);
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
    // Power on in CD mode, where Wine has no drive: the display's poll.
    click(POWER);
    run_panel(300);
    longest_reset();
    run_panel(3000);
    print_longest("3 s of updates in CD mode with no drive");
    click(MODE_FM_AREA);
    run_panel(500);
    longest_reset();
    each.clear();
    for (int button : {2, 3, 4, 5, 6, 1}) {
        click(preset_area(button));
        const std::string sound = SOUNDS[(button - 1) % 4];
        each += " " + sound.substr(sound.rfind('.') + 1) + " " + in_ms(module_calls.last_us);
        run_panel(300);
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
        run_panel(300);
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
    const bool stack_kept = module_calls.stack_moved.empty();

    panel_service(sim::SERVICE_PRE_KILL, 0);
    printf("pre-kill with the radio playing: %s\n", in_ms(module_calls.last_us).c_str());
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
