// The filter graph stand-in as COM: one object behind every interface,
// alive while any reference is, holding the files it rendered as Windows'
// source filters do.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32.h"
#include "tests/audio/listening.h"

namespace {

TEST(FilterGraph, LivesWhileAnyInterfaceIsHeldAndHoldsItsFiles) {
    ScratchDir dir;
    std::filesystem::copy_file(source_file("tests/fixtures/tone.wav"), dir / "tone.wav");
    std::u16string wide;
    for (char c : dir / "tone.wav") {
        wide += static_cast<char16_t>(c);
    }
    CoInitialize(nullptr);
    IGraphBuilder* graph = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    EXPECT_EQ(graph->RenderFile(wide.c_str(), nullptr), S_OK);
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)), S_OK);
    EXPECT_EQ(audio->put_Volume(-10001), E_INVALIDARG);
    IUnknown* nothing = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(graph->QueryInterface(IID_IDirectSound8, reinterpret_cast<void**>(&nothing)),
              E_NOINTERFACE);
    EXPECT_EQ(nothing, nullptr);

    EXPECT_EQ(graph->Release(), 1u) << "the audio interface still holds it";
    EXPECT_FALSE(DeleteFileA((dir / "tone.wav").c_str())) << "its source still reads the file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(audio->Release(), 0u);
    EXPECT_TRUE(DeleteFileA((dir / "tone.wav").c_str()));

    // A file that is not there, a folder, and what nothing can decode.
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&graph)),
              S_OK);
    EXPECT_EQ(graph->RenderFile(wide.c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(graph->RenderFile(u"/", nullptr), E_ACCESSDENIED);
    std::string noise = source_file("tests/fixtures/noise.bin");
    EXPECT_EQ(graph->RenderFile(std::u16string(noise.begin(), noise.end()).c_str(), nullptr),
              VFW_E_UNSUPPORTED_STREAM);
    EXPECT_EQ(graph->Release(), 0u);
    CoUninitialize();
}

}  // namespace
