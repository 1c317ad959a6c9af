// RenderFile's test of a file the graph has not seen (decoded by the file
// tester, in a child of its own, until its first audio; the rest goes on in
// the background), for each format's demo file and for the damaged MIDI
// file that the tester gives up on; and of a file already tested. The
// tester is started before the first.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/native/standin.h"
#include "platform/win32.h"
#include "tests/support/scratch_dir.h"

namespace {

void render_fresh_copies(benchmark::State& state, const std::string& source) {
    ScratchDir dir;
    CoInitialize(nullptr);
    plat::start_file_tester();
    std::string extension = std::filesystem::path(source).extension().string();
    long copy = 0;
    HRESULT result = S_OK;
    for (auto _ : state) {
        state.PauseTiming();
        // A new file each time: a tested one is answered from what was kept.
        std::string path = dir / ("copy" + std::to_string(++copy) + extension);
        std::filesystem::copy_file(source, path);
        std::u16string wide(path.begin(), path.end());
        IGraphBuilder* graph = nullptr;
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph));
        state.ResumeTiming();
        result = graph->RenderFile(wide.c_str(), nullptr);
        state.PauseTiming();
        graph->Release();
        state.ResumeTiming();
    }
    state.SetLabel(result == S_OK ? "renders" : "refused");
    CoUninitialize();
}

void BM_RenderFileTest(benchmark::State& state, const char* relative) {
    render_fresh_copies(state, std::string(SKYTUNE_SOURCE_DIR) + "/" + relative);
}

void BM_RenderFileTested(benchmark::State& state) {
    ScratchDir dir;
    CoInitialize(nullptr);
    std::string path = dir / "tested.mp3";
    std::filesystem::copy_file(std::string(SKYTUNE_SOURCE_DIR) + "/Sound/pad.mp3", path);
    std::u16string wide(path.begin(), path.end());
    IGraphBuilder* graph = nullptr;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     reinterpret_cast<void**>(&graph));
    graph->RenderFile(wide.c_str(), nullptr);
    for (auto _ : state) {
        graph->Release();
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&graph));
        graph->RenderFile(wide.c_str(), nullptr);
    }
    graph->Release();
    CoUninitialize();
}

}  // namespace

BENCHMARK_CAPTURE(BM_RenderFileTest, wav, "Sound/chimes.wav")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(BM_RenderFileTest, mp3, "Sound/pad.mp3")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(BM_RenderFileTest, mid, "Sound/waltz.mid")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(BM_RenderFileTest, wma, "Sound/breeze.wma")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);
BENCHMARK_CAPTURE(BM_RenderFileTest, looping_mid, "tests/fixtures/looping.mid")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_RenderFileTested)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
