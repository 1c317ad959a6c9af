// Loads a copy of the stub module at a chosen path and gives its handle.
#pragma once

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "platform/win32.h"

#ifndef MODULE_STUB_PATH
#error "MODULE_STUB_PATH names the built stub module"
#endif

class StubModule {
  public:
    explicit StubModule(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::copy_file(MODULE_STUB_PATH, path,
                                   std::filesystem::copy_options::overwrite_existing);
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~StubModule() {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }
    StubModule(const StubModule&) = delete;
    StubModule& operator=(const StubModule&) = delete;

    HMODULE handle() const { return static_cast<HMODULE>(handle_); }

  private:
    void* handle_ = nullptr;
};
