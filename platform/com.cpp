// CoInitialize(Ex), CoUninitialize and CoCreateInstance over a table of
// classes (the filter graph and DirectSound 8 register themselves).
// Initialisation is counted per thread, as on Windows; a thread's apartment
// is only its kind, which a later initialisation must match; the class
// context is not looked at; aggregation and unknown classes are refused
// with REGDB_E_CLASSNOTREG, creation before CoInitialize with
// CO_E_NOTINITIALIZED.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/native/com_classes.h"
#include "platform/native/standin.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

struct ComClass {
    CLSID clsid;
    const char* name;
    plat::ComFactory factory;
};

std::vector<ComClass>& com_classes() {
    static std::vector<ComClass> classes;
    return classes;
}

thread_local int initialized = 0;

}  // namespace

namespace plat {

void register_com_class(REFCLSID clsid, const char* name, ComFactory factory) {
    com_classes().push_back(ComClass{clsid, name, factory});
}

int com_initialized() {
    return initialized;
}

}  // namespace plat

namespace {

// The thread's apartment: a second initialisation of the same kind
// succeeds with S_FALSE, of the other kind fails, as on Windows.
thread_local DWORD apartment = 0;

HRESULT com_initialize(const char* call, DWORD kind) {
    HRESULT result = S_OK;
    if (plat::fault(call)) {
        result = E_OUTOFMEMORY;
    } else if (initialized > 0 && apartment != kind) {
        result = RPC_E_CHANGED_MODE;
    } else {
        result = initialized > 0 ? S_FALSE : S_OK;
        apartment = kind;
        ++initialized;
    }
    return result;
}

}  // namespace

HRESULT CoInitialize(LPVOID) {
    HRESULT result = com_initialize("CoInitialize", COINIT_APARTMENTTHREADED);
    plat::Trace("CoInitialize").sym("NULL").ret(result);
    return result;
}

HRESULT CoInitializeEx(LPVOID, DWORD model) {
    HRESULT result = com_initialize("CoInitializeEx", model & COINIT_APARTMENTTHREADED);
    plat::Trace("CoInitializeEx").sym("NULL").num(model).ret(result);
    return result;
}

void CoUninitialize(void) {
    if (initialized > 0) {
        --initialized;
    }
    plat::Trace("CoUninitialize").ret_sym("void");
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object) {
    plat::Trace trace("CoCreateInstance");
    const ComClass* found = nullptr;
    for (const ComClass& candidate : com_classes()) {
        if (candidate.clsid == clsid) {
            found = &candidate;
        }
    }
    trace.sym(found != nullptr ? found->name : "unknown-class");
    HRESULT result = S_OK;
    if (object == nullptr) {
        result = E_POINTER;
    } else if ((*object = nullptr), initialized == 0) {
        result = CO_E_NOTINITIALIZED;
    } else if (plat::fault("CoCreateInstance") ||
               (found != nullptr &&
                plat::fault((std::string("CoCreateInstance:") + found->name).c_str()))) {
        result = E_FAIL;
    } else if (found == nullptr || outer != nullptr) {
        result = REGDB_E_CLASSNOTREG;
    } else {
        result = found->factory(iid, object);
    }
    trace.ret(result);
    return result;
}

// A length in bytes before the text, as the platform's allocator keeps it.
BSTR SysAllocString(const WCHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    auto* block = static_cast<char*>(malloc(sizeof(uint32_t) + (length + 1) * sizeof(WCHAR)));
    if (block == nullptr) {
        return nullptr;
    }
    uint32_t bytes = static_cast<uint32_t>(length * sizeof(WCHAR));
    memcpy(block, &bytes, sizeof bytes);
    auto* result = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
    memcpy(result, text, (length + 1) * sizeof(WCHAR));
    return result;
}

void SysFreeString(BSTR text) {
    if (text != nullptr) {
        free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
    }
    plat::Trace("SysFreeString").ret_sym("void");
}
