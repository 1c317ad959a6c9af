// Drives the Windows build of skytune.gau as the simulator's panel system
// would, under the real Windows implementations (Wine here): two installs in
// one process, the first without a settings file and the second with one,
// and the checks of what the module leaves on disk. Prints "N passed, M
// failed"; a module that ended the process never gets to print it. Given
// the stack probe, it first shows that its stack check catches a callback
// of the wrong calling convention.
// Its standard input is the run's sound card (capture.h), whose sound the
// checks of FM and AM hear (fm_am_heard.h), and those of CD mode with the
// test CD drive (cd_road.h).
//   driver.exe PATH-TO-skytune.gau FIXTURE-FOLDER [PATH-TO-stack_probe.dll
//              [STATION-URL STATION-CONTROL-FOLDER]]
//   driver.exe --bench PATH-TO-skytune.gau SOUND-FOLDER [STATION-URL [MISBEHAVING-URL...]]
//              (see wine_bench.h)
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/wine_bench.h"
#include "platform/win32.h"
#include "tests/windows/capture.h"
#include "tests/windows/cd_road.h"
#include "tests/windows/checks.h"
#include "tests/windows/fm_am_heard.h"
#include "tests/windows/module_checks.h"
#include "tests/windows/panel_driver.h"
#include "tests/windows/radio_areas.h"
#include "tests/windows/scratch_files.h"
#include "tests/windows/station_heard.h"
#include "tools/demo_disc/wav_file.h"

namespace {

std::string lines_file(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// The settings file after a save: one file, 27 CR LF lines. A new file has
// the lower-case name; one that replaced a file of another case keeps the
// old file's name under Wine, whose rename keeps an existing entry's case.
std::vector<std::string> saved_settings(const Scratch& s, const std::string& when, bool created) {
    const std::vector<std::string> names = list_files(s.gauges + "*.dat");
    const bool named =
        names.size() == 1 &&
        (created ? names[0] == "skytune.dat" : _stricmp(names[0].c_str(), "skytune.dat") == 0);
    check(named, when + ": the settings file beside the module is " +
                     (names.empty() ? std::string("missing") : names[0]));
    check(list_files(s.gauges + "*.txt").empty(), when + ": no temporary settings file is left");
    const std::string bytes = read_file(s.gauges + "skytune.dat");
    bool all_crlf = false;
    std::vector<std::string> lines = text_lines(bytes, all_crlf);
    check(all_crlf, when + ": every line of the settings file ends in CR LF");
    check(lines.size() == 27,
          when + ": the settings file has 27 lines, not " + std::to_string(lines.size()));
    check(bytes.find('/') == std::string::npos, when + ": the settings file has no forward slash");
    lines.resize(27);
    return lines;
}

void check_element_routines() {
    sim::Element* root = panel_gauge->elements ? panel_gauge->elements[0] : nullptr;
    check(root != nullptr, "the gauge's element list names its root element");
    service_calls.clear();
    sim::GaugeHeader& g = *panel_gauge;
    const int32_t results[] = {module_call("query routine", g.query),
                               module_call("install routine", g.install, 0x2345),
                               module_call("initialize routine", g.initialize),
                               module_call("update routine", g.update),
                               module_call("generate routine", g.generate, 7),
                               module_call("draw routine", g.draw),
                               module_call("kill routine", g.kill)};
    const int slots[] = {24, 25, 26, 27, 28, 29, 31};
    check(service_calls.size() == 7, "each element-list routine makes one service call");
    for (size_t i = 0; i < 7 && i < service_calls.size(); ++i) {
        const std::string which = "routine " + std::to_string(i);
        check(service_calls[i].slot == slots[i], which + " calls slot " + std::to_string(slots[i]));
        check(service_calls[i].element == root, which + " passes the root element");
        check(results[i] == 1000 + slots[i], which + " returns the host's result unchanged");
    }
    check(service_calls.size() > 4 && service_calls[1].argument == 0x2345 &&
              service_calls[4].argument == 7,
          "install and generate pass their argument through");
}

void first_install(const Scratch& s) {
    check(panel_linkage->module_id == 0x13, "Linkage starts with 0x13");
    check(panel_linkage->gauges[1] == nullptr, "Linkage's gauge table has one gauge");
    check(panel_gauge->version == 700, "gauge header version 700");
    check_equal(panel_gauge->name ? panel_gauge->name : "", "skytune", "gauge name");
    check(panel_gauge->size_x_mm == 98, "default size 98");
    check(panel_imports->services_id == 0x0F && panel_imports->end_id == 0,
          "ImportTable holds the panel-services entry and the end");
    panel_link();
    check_element_routines();

    panel_service(sim::SERVICE_PRE_INSTALL, reinterpret_cast<uintptr_t>(panel_module));
    check(list_files(s.gauges + "*.dat") == std::vector<std::string>{"skytune.dat"},
          "a missing settings file is created as skytune.dat");
    check_equal(read_file(s.gauges + "skytune.dat"), " \r\n", "the new settings file");

    radio_areas = panel_areas();
    check(radio_areas.size() == 16,
          "sixteen mouse areas, not " + std::to_string(radio_areas.size()));
    check_equal(tip("Open/Close CD Door"), "Open/Close CD Door", "door tooltip");
    check_equal(tip(POWER), "Power On/Off (off)", "power tooltip, off");
    check_equal(tip(preset_area(1)), "CD Player Track #1 - Audio CD not installed.",
                "CD preset tooltip with an empty drive");
    const PanelArea* power = panel_area(radio_areas, POWER);
    check(power && !panel_click(*power, sim::MOUSE_RIGHT),
          "a right click on power reaches no handler");

    click(POWER);
    check_equal(tip(POWER), "Power On/Off (on)", "power tooltip, on");
    click("Increase Volume Level");
    click("Increase Volume Level");
    drive_cd_mode(s);

    click(MODE_AM_AREA);
    check_equal(tip(preset_area(6)), "AM Preset #6 - No file assigned.", "AM preset 6 tooltip");
    click(MODE_FM_AREA);
    check_equal(tip(preset_area(1)), "FM Preset #1 - No file assigned.", "FM preset 1 tooltip");
    panel_service(sim::SERVICE_PRE_UPDATE, 0);
    check_equal(panel_redraw(), "  ", "the track display outside CD mode");
    panel_pump(200);

    panel_service(sim::SERVICE_PRE_KILL, 0);
    const std::vector<std::string> lines = saved_settings(s, "first save", true);
    int unassigned = 0;
    for (int i = 0; i < 24; ++i) unassigned += lines[i] == "No file assigned.";
    check(unassigned == 24, "every preset is saved unassigned");
    check_equal(lines[24], ".\\Sound\\", "the browse folder, kept as stored");
    check_equal(lines[25], " 80", "media volume line");
    check_equal(lines[26], " 23", "CD volume line after two steps up");
}

// FM preset 4's playlist: a relative entry, a missing one, and an absolute
// one with a title of its own.
const char ROAD_TRIP[] = "Road trip.m3u8";

void write_playlist(const Scratch& s) {
    write_tone_wav(s.sound + "low.wav", 330, 1.5, 0.25);
    write_file(s.sound + ROAD_TRIP,
               "#EXTM3U\r\n.\\tone.wav\r\nmissing.wav\r\n"
               "#EXTINF:1,Low tone\r\n" +
                   s.sound + "low.wav\r\n");
}

void second_install(const Scratch& s, const std::string& click_image, const std::string& fixtures,
                    const std::string& station, const std::string& control) {
    // An upper-case settings file written elsewhere; the save replaces it
    // under the lower-case name.
    DeleteFileA((s.gauges + "skytune.dat").c_str());
    write_playlist(s);
    const std::string none = "No file assigned.", sound = ".\\Sound\\";
    std::vector<std::string> lines = {"Tone",        s.sound + "tone.wav",
                                      "Click",       "CLICK_RCD",
                                      "Gone",        sound + "missing.wav",
                                      ROAD_TRIP,     sound + ROAD_TRIP,
                                      none,          none,
                                      none,          none,
                                      "Tone AM",     sound + "tone.wav",
                                      "station.pls", sound + "station.pls"};
    lines.resize(24, none);
    if (!station.empty()) {
        write_file(s.sound + "station.pls",
                   "[playlist]\r\nFile1=" + station + "\r\nTitle1=Loopback FM\r\n");
    }
    place_format_presets(s, fixtures, lines);
    lines.insert(lines.end(), {s.sound, " 95", " 30"});
    write_file(s.gauges + "SKYTUNE.DAT", lines_file(lines));

    panel_service(sim::SERVICE_PRE_INSTALL, reinterpret_cast<uintptr_t>(panel_module));
    const std::vector<std::string> extracted = list_files(s.temp + "Res*.tmp");
    check(extracted.size() == 1, "the resource preset is copied to one temporary Res file");
    if (!extracted.empty()) {
        printf("note: the resource preset plays from %s%s\n", s.temp.c_str(), extracted[0].c_str());
        check(read_file(s.temp + extracted[0]) == click_image,
              "the Res file holds the CLICK_RCD bytes");
    }
    check_equal(tip(preset_area(1)), "FM Preset #1 - Tone", "FM preset 1 after load");
    check_equal(tip(preset_area(2)), "FM Preset #2 - Click", "FM preset 2, a resource");
    // Named for its missing file once the player thread's test has answered.
    for (const DWORD start = GetTickCount();
         GetTickCount() - start < 5000 &&
         tip(preset_area(3)) != "FM Preset #3 - File not found.";) {
        panel_pump(20);
    }
    check_equal(tip(preset_area(3)), "FM Preset #3 - File not found.", "FM preset 3, missing");
    check_equal(tip(preset_area(4)), "FM Preset #4 - Road trip.m3u8", "FM preset 4, a playlist");
    check_equal(tip(preset_area(5)), "FM Preset #5 - WAV", "FM preset 5, a fixture");
    click(MODE_AM_AREA);
    check_equal(tip(preset_area(1)), "AM Preset #1 - Tone AM", "AM preset 1, a relative path");
    click(MODE_FM_AREA);

    hear_fm_and_am();
    hear_playlist();
    click(preset_area(2));
    panel_pump(300);
    if (station.empty()) {
        click(POWER);
    } else {
        hear_station(control);
    }
    panel_pump(200);
    check_clicks_heard();

    panel_service(sim::SERVICE_PRE_KILL, 0);
    printf("note: the second pre-kill took %.2f ms\n", module_calls.last_us / 1000);
    check(list_files(s.temp + "Res*.tmp").empty(), "pre-kill deletes the Res file");
    const std::vector<std::string> saved = saved_settings(s, "second save", false);
    // Names and paths as loaded, the first made relative; the media volume one
    // step down.
    lines[1] = sound + "tone.wav";
    lines[25] = " 93";
    for (size_t i : {0, 1, 3, 4, 5, 6, 7, 12, 13, 25, 26}) {
        check_equal(saved[i], lines[i], "settings line " + std::to_string(i + 1) + " saved");
    }
    check(saved[24].compare(0, 7, ".\\Sound") == 0,
          "the browse folder is saved relative: " + saved[24]);
}

// The probe's cdecl handler and tooltip callback leave their 8 and 24 bytes
// of arguments on a 32-bit stack; their stdcall twins leave nothing. On
// x86-64 there is one convention, and nothing to leave.
void check_stack_check(const std::string& probe) {
#if defined(__i386__)
    const int32_t handler_left = -8, text_left = -24;
#else
    const int32_t handler_left = 0, text_left = 0;
#endif
    check(panel_load(windows_path(probe)), "the stack probe loads");
    const std::vector<PanelArea> probe_areas =
        panel_gauge ? panel_areas() : std::vector<PanelArea>();
    const PanelArea* wrong = panel_area(probe_areas, "wrong %1!s!");
    const PanelArea* right = panel_area(probe_areas, "right %1!s!");
    check(wrong && right, "the stack probe has its two areas");
    if (wrong && right) {
        panel_click(*right, sim::MOUSE_LEFT);
        check(module_calls.last_moved == 0, "a stdcall mouse handler leaves the stack as it was");
        check_equal(panel_tooltip(*right), "right stdcall", "the stdcall tooltip callback's text");
        check(module_calls.last_moved == 0,
              "a stdcall tooltip callback leaves the stack as it was");
        panel_click(*wrong, sim::MOUSE_LEFT);
        check(module_calls.last_moved == handler_left,
              "the stack check sees what a cdecl mouse handler left: " +
                  std::to_string(module_calls.last_moved) + " bytes");
        check_equal(panel_tooltip(*wrong), "wrong cdecl", "the cdecl tooltip callback's text");
        check(module_calls.last_moved == text_left,
              "the stack check sees what a cdecl tooltip callback left: " +
                  std::to_string(module_calls.last_moved) + " bytes");
    }
    if (panel_module) FreeLibrary(panel_module);
    module_calls_reset();
}

void check_stack_kept() {
    const std::vector<std::string>& moved = module_calls.stack_moved;
    for (size_t i = 0; i < moved.size() && i < 10; ++i) check(false, moved[i]);
    check(moved.empty(), "each of the " + std::to_string(module_calls.count) +
                             " calls into the module left the stack pointer where it was");
}

}  // namespace

int main(int argc, char** argv) {
    const bool bench = argc >= 4 && std::string(argv[1]) == "--bench";
    if (!bench && (argc < 3 || argc > 6 || argc == 5)) {
        fprintf(stderr,
                "usage: driver PATH-TO-skytune.gau FIXTURES [PATH-TO-stack_probe.dll [URL "
                "CONTROL]]\n");
        return 2;
    }
    std::string why;
    if (!capture_start(why)) {
        check(false, "the run's sound card is heard: " + why);
        print_tally();
        return 1;
    }
    if (bench) {
        return wine_bench(argv[2], argv[3], argc >= 5 ? argv[4] : "",
                          std::vector<std::string>(argv + std::min(argc, 5), argv + argc));
    }
    if (argc >= 4) check_stack_check(argv[3]);
    const Scratch s = scratch_simulator();
    check(CopyFileA(windows_path(argv[1]).c_str(), s.module.c_str(), FALSE) != 0,
          "the module is copied into the scratch folder as SkyTune.GAU");
    write_tone_wav(s.sound + "tone.wav", 440, 1.5, 0.25);
    CoInitialize(nullptr);
    panel_answer_message_boxes();

    if (!panel_load(s.module)) {
        check(false, "LoadLibrary and GetProcAddress find Linkage, ImportTable and the gauge");
        print_tally();
        return 1;
    }
    check_exports(panel_module);
    const std::string click_image = check_resources(panel_module);
    check_version(s.module);

    // The mixer that Wine offers has no CD line: the open finds no control,
    // which is not an error the user is told about.
    HMIXER mixer = nullptr;
    check(mixerOpen(&mixer, 0, 0, 0, 0) == MMSYSERR_NOERROR, "Wine's mixer 0 opens");
    if (mixer) mixerClose(mixer);

    first_install(s);
    second_install(s, click_image, argv[2], argc == 6 ? argv[4] : "",
                   argc == 6 ? windows_path(argv[5]) + "\\" : "");
    for (const ShownMessage& shown : shown_messages) {
        check(false, "unexpected message box: " + shown.caption + ": " + shown.text);
    }
    check_stack_kept();
    // A station's thread holds the module until it has ended.
    FreeLibrary(panel_module);
    check(GetModuleHandleA(s.module.c_str()) == nullptr, "the module unloads: nothing holds it");
    CoUninitialize();
    remove_tree(s.root);
    print_tally();
    return checks_failed() == 0 ? 0 : 1;
}
