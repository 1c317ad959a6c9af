// Module resources: looked up, by number or by name without regard to
// case, in the table that the module exports. Types by number only;
// languages are not told apart, and a module without a table has none.
#include "platform/native/resources.h"

#include <dlfcn.h>

#include <cstring>

#include "platform/native/resource_table.h"
#include "platform/native/standin.h"

namespace {

bool same_name(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
        char y = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
        if (x != y) {
            return false;
        }
    }
    return *a == *b;
}

// A name is a number when it is a small integer or written "#123".
bool name_number(LPCSTR name, uint16_t* number) {
    if (IS_INTRESOURCE(name)) {
        *number = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(name));
        return true;
    }
    if (name[0] != '#' || name[1] == '\0') {
        return false;
    }
    unsigned long value = 0;
    for (const char* c = name + 1; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || value > 65535) {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(*c - '0');
    }
    if (value > 65535) {
        return false;
    }
    *number = static_cast<uint16_t>(value);
    return true;
}

void trace_name(plat::Trace& trace, LPCSTR name) {
    if (name != nullptr && IS_INTRESOURCE(name)) {
        trace.num(static_cast<long long>(reinterpret_cast<uintptr_t>(name)));
    } else {
        trace.str(name);
    }
}

}  // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    plat::Trace trace("FindResourceA");
    trace_name(trace, name);
    trace_name(trace, type);
    if (name == nullptr || type == nullptr || plat::fault("FindResourceA")) {
        trace.ret(0);
        return nullptr;
    }
    void* handle = module != nullptr ? static_cast<void*>(module) : dlopen(nullptr, RTLD_NOW);
    auto* table = static_cast<const NativeResource*>(dlsym(handle, NATIVE_RESOURCE_TABLE));
    auto* count = static_cast<const uint32_t*>(dlsym(handle, NATIVE_RESOURCE_COUNT));
    if (table == nullptr || count == nullptr) {
        trace.ret(0);
        return nullptr;
    }
    uint16_t type_number = 0;
    if (!name_number(type, &type_number)) {
        trace.ret(0);
        return nullptr;
    }
    uint16_t id = 0;
    bool by_number = name_number(name, &id);
    for (uint32_t i = 0; i < *count; ++i) {
        const NativeResource& entry = table[i];
        if (entry.type != type_number) {
            continue;
        }
        bool match = by_number ? (entry.name == nullptr && entry.id == id)
                               : (entry.name != nullptr && same_name(entry.name, name));
        if (match) {
            trace.ret(1);
            return reinterpret_cast<HRSRC>(const_cast<NativeResource*>(&entry));
        }
    }
    trace.ret(0);
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    HGLOBAL data = nullptr;
    if (resource != nullptr && !plat::fault("LoadResource")) {
        data = const_cast<unsigned char*>(reinterpret_cast<NativeResource*>(resource)->data);
    }
    plat::Trace("LoadResource").ret(data != nullptr);
    return data;
}

LPVOID LockResource(HGLOBAL data) {
    LPVOID bytes = plat::fault("LockResource") ? nullptr : data;
    plat::Trace("LockResource").ret(bytes != nullptr);
    return bytes;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    DWORD size = 0;
    if (resource != nullptr && !plat::fault("SizeofResource")) {
        size = reinterpret_cast<NativeResource*>(resource)->size;
    }
    plat::Trace("SizeofResource").ret(size);
    return size;
}
