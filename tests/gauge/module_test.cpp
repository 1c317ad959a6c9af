// The built skytune.gau, loaded the way the panel host loads it: by dlopen,
// finding only its two exported records by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "common/panel_records.h"
#include "host/element_list.h"
#include "host/mouse_map.h"
#include "platform/native/com_classes.h"
#include "platform/native/standin.h"
#include "platform/win32.h"
#include "tests/support/scratch_dir.h"

namespace {

class Module : public ::testing::Test {
  protected:
    void SetUp() override {
        // A copy of its own, so its settings file lands in the scratch folder.
        std::filesystem::copy_file(SKYTUNE_GAUGE_PATH, path);
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        linkage = static_cast<GAUGESLINKAGE*>(dlsym(handle, "Linkage"));
        import = static_cast<IMPORT_TABLE*>(dlsym(handle, "ImportTable"));
        ASSERT_NE(linkage, nullptr);
        ASSERT_NE(import, nullptr);
    }
    void TearDown() override {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }

    ScratchDir dir;
    std::string path = dir / "skytune.gau";
    void* handle = nullptr;
    GAUGESLINKAGE* linkage = nullptr;
    IMPORT_TABLE* import = nullptr;
};

TEST_F(Module, ShowsTheHostOnlyItsTwoRecords) {
    for (const char* inner : {"gauge_service", "gauge_header", "radio_state", "mouse_areas",
                              "settings_load", "on_power", "face_pre_update"}) {
        EXPECT_EQ(dlsym(handle, inner), nullptr) << inner;
    }
    EXPECT_EQ(linkage->module_id, 0x13u);
    EXPECT_EQ(linkage->flags | linkage->module_status | linkage->module_version, 0u);
    EXPECT_EQ(linkage->gauge_header_ptr[1], nullptr);
    EXPECT_EQ(import->panels_entry.fnptr_id, 0x0Fu);
    EXPECT_EQ(import->panels_entry.fnptr, nullptr);
    EXPECT_EQ(import->end.fnptr_id, 0u);
    EXPECT_EQ(import->end.fnptr, nullptr);
    linkage->module_init();
    linkage->module_deinit();
}

// Every image the face names is among the module's own bitmaps.
TEST_F(Module, GaugeHeaderFaceAndMouseListThroughLinkage) {
    GAUGEHDR& header = *linkage->gauge_header_ptr[0];
    EXPECT_EQ(header.gauge_header_version, 700u);
    EXPECT_STREQ(header.gauge_name, "skytune");
    EXPECT_EQ(header.size_x_mm, 98u);
    std::vector<ELEMENT_HEADER*> chain = chain_of(header.elements_list[0]);
    ASSERT_EQ(chain.size(), 11u);
    for (ELEMENT_HEADER* element : chain) {
        UINT32 images = element->element_type == ELEMENT_TYPE_ICON
                            ? reinterpret_cast<ELEMENT_ICON*>(element)->num_icons
                        : element->element_type == ELEMENT_TYPE_STRING ? 0
                                                                       : 1;
        for (UINT32 k = 0; k < images; ++k) {
            EXPECT_NE(FindResourceA(static_cast<HMODULE>(handle),
                                    MAKEINTRESOURCEA(element->resource_id + k), RT_BITMAP),
                      nullptr)
                << "bitmap " << element->resource_id + k;
        }
    }
    MouseMap map = MouseMap::from_list(header.mouse_rect);
    EXPECT_EQ(map.boxes.size(), 16u);
    EXPECT_EQ(map.box_at(144, 120), nullptr);
    EXPECT_NE(map.box_at(145, 120), nullptr);
}

TEST_F(Module, CarriesTheFaceBitmapsAndTheVersion) {
    auto* module = static_cast<HMODULE>(handle);
    std::string background = read_file(RESOURCES_DIR "/face/background.bmp");
    HRSRC bitmap = FindResourceA(module, MAKEINTRESOURCEA(4096), RT_BITMAP);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(SizeofResource(module, bitmap), background.size() - 14);
    EXPECT_EQ(memcmp(LockResource(LoadResource(module, bitmap)), background.data() + 14, 40), 0);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(17672), RT_BITMAP), nullptr);

    HRSRC version = FindResourceA(module, MAKEINTRESOURCEA(1), RT_VERSION);
    ASSERT_NE(version, nullptr);
    std::string record = read_file(RESOURCES_DIR "/version.bin");
    ASSERT_EQ(SizeofResource(module, version), record.size());
    EXPECT_EQ(memcmp(LockResource(LoadResource(module, version)), record.data(), record.size()), 0);
}

// The lines of the trace of one service call.
std::vector<std::string> traced_service(GAUGEHDR& header, SINT32 code, UINT_PTR extra,
                                        const std::string& path) {
    std::filesystem::remove(path);
    plat::trace_to(path.c_str());
    header.gauge_callback(&header, code, extra);
    plat::trace_to(nullptr);
    return lines_of(read_file(path));
}

// Each expected call starts a trace line, in this order; others may lie between.
void expect_in_order(const std::vector<std::string>& trace, const std::vector<std::string>& calls) {
    auto at = trace.begin();
    for (const std::string& call : calls) {
        at = std::find_if(at, trace.end(),
                          [&](const std::string& line) { return line.rfind(call, 0) == 0; });
        ASSERT_NE(at, trace.end()) << "missing, or out of order: " << call;
        ++at;
    }
}

// Start and stop over the real back-ends (silent sink, the demo disc): the
// panel's own calls in their order, and the player thread's, which it starts
// holding the module, in theirs.
TEST_F(Module, StartAndStopSequencesOverTheRealBackEnds) {
    // The silent sink still makes every device and buffer, as a sound card would.
    ASSERT_TRUE(plat::set_audio_sink("null"));
    GAUGEHDR& header = *linkage->gauge_header_ptr[0];
    std::string trace_path = dir / "trace.txt";
    auto module = reinterpret_cast<UINT_PTR>(handle);

    std::filesystem::remove(trace_path);
    plat::trace_to(trace_path.c_str());
    header.gauge_callback(&header, PANEL_SERVICE_PRE_INSTALL, module);
    // The thread's last command of the start.
    for (int i = 0; i < 200 && read_file(trace_path).find("MCI_STOP") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    plat::trace_to(nullptr);
    std::vector<std::string> install = lines_of(read_file(trace_path));
    expect_in_order(install, {"GetModuleFileNameA", "CoInitialize", "FindResourceA \"CLICK_RCD\"",
                              "IDirectSoundBuffer::SetVolume -500",
                              "RegisterClassA \"EventNotify\"", "LoadLibraryA", "CreateThread",
                              "mixerOpen", "mixerSetControlDetails dwControlID=1 value=13107"});
    expect_in_order(install, {"CoInitializeEx", "CoCreateInstance CLSID_FilterGraph",
                              "IGraphBuilder::RenderFile", "mciSendCommandA 0 MCI_OPEN",
                              "mciSendCommandA 1 MCI_SET", "mciSendCommandA 1 MCI_STOP"});

    std::vector<std::string> kill = traced_service(header, PANEL_SERVICE_PRE_KILL, 0, trace_path);
    expect_in_order(kill, {"MoveFileExA", "mixerClose", "mciSendCommandA 1 MCI_STOP",
                           "mciSendCommandA 1 MCI_CLOSE", "FreeLibraryAndExitThread",
                           "DestroyWindow", "IUnknown::Release IDirectSoundBuffer",
                           "IUnknown::Release IDirectSound8", "CoUninitialize"});
    EXPECT_EQ(kill.back(), "CoUninitialize -> void");
    EXPECT_EQ(plat::com_initialized(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "skytune.dat"));
}

// A failed CoInitialize is not paired at pre-kill: the COM of whoever else
// initialised the thread stays as it was.
TEST_F(Module, KillEndsOnlyTheComUseThatInstallBegan) {
    ASSERT_TRUE(plat::set_audio_sink("null"));
    GAUGEHDR& header = *linkage->gauge_header_ptr[0];
    std::string trace_path = dir / "trace.txt";
    ASSERT_EQ(CoInitialize(nullptr), S_OK);  // the simulator's own
    plat::faults_set("CoInitialize");
    traced_service(header, PANEL_SERVICE_PRE_INSTALL, reinterpret_cast<UINT_PTR>(handle),
                   trace_path);
    plat::faults_set(nullptr);
    std::vector<std::string> kill = traced_service(header, PANEL_SERVICE_PRE_KILL, 0, trace_path);
    // The player thread ends its own; the panel's thread ends none.
    auto thread_gone = std::find_if(kill.begin(), kill.end(), [](const std::string& line) {
        return line.rfind("FreeLibraryAndExitThread", 0) == 0;
    });
    ASSERT_NE(thread_gone, kill.end());
    EXPECT_EQ(
        std::count_if(thread_gone, kill.end(),
                      [](const std::string& line) { return line.rfind("CoUninitialize", 0) == 0; }),
        0);
    EXPECT_EQ(plat::com_initialized(), 1);
    CoUninitialize();
}

}  // namespace
