// Fuzzes RenderFile's test of a sound file, which decodes the file to its
// end in a child of the file tester: whatever the bytes, the host's side
// neither crashes nor hangs, the answer is one of the platform's, and it
// comes within the tester's limits. Built once per format (FILE_EXTENSION),
// so that each starts from that format's own files and keeps its name.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_tester/protocol.h"
#include "platform/win32.h"
#include "tests/support/scratch_dir.h"

#ifndef FILE_EXTENSION
#error "FILE_EXTENSION names the format, \".mid\" for one"
#endif

namespace {

ScratchDir* folder;
IGraphBuilder* graph;
unsigned long inputs = 0;

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "file test fuzz: %s\n", what);
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = new ScratchDir();
    CoInitialize(nullptr);
    check(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                           reinterpret_cast<void**>(&graph)) == S_OK,
          "no filter graph");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // A new name each time: a file rewritten within the clock's tick at the
    // same size would be taken for the one already tested.
    std::string path = *folder / ("input-" + std::to_string(++inputs) + FILE_EXTENSION);
    FILE* out = fopen(path.c_str(), "wb");
    check(out != nullptr, "cannot write the input file");
    fwrite(bytes, 1, size, out);
    fclose(out);
    std::u16string wide(path.begin(), path.end());

    auto start = std::chrono::steady_clock::now();
    HRESULT result = graph->RenderFile(wide.c_str(), nullptr);
    auto took = std::chrono::steady_clock::now() - start;
    check(result == S_OK || result == VFW_E_UNSUPPORTED_STREAM || result == VFW_E_CANNOT_RENDER,
          "an answer the platform does not give");
    // RenderFile waits for the first audio only, which the tester gives up
    // on after its stall limit, and the library 5 s after that.
    check(took < std::chrono::milliseconds(filetest::STALL_MS + 6000),
          "the test outlasted the tester's limit");
    // Rendered files stay in the graph until it goes; a stopped graph with
    // many of them costs nothing, but the file may not be deleted before.
    if (result == S_OK) {
        graph->Release();
        check(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)) == S_OK,
              "no filter graph");
    }
    unlink(path.c_str());
    return 0;
}
