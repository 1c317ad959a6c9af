// COM as the radio uses it: interfaces with reference counts, made by class
// through CoCreateInstance after CoInitialize on the thread.
#pragma once

#include <cstring>

#include "platform/native/types.h"

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const GUID& a, const GUID& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

#define STDMETHODCALLTYPE
#define CLSCTX_INPROC_SERVER 0x1
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)

extern const IID IID_IUnknown;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

// COM's counted text: UTF-16, freed with SysFreeString.
typedef WCHAR* BSTR;
BSTR SysAllocString(const WCHAR* text);
void SysFreeString(BSTR text);

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)

HRESULT CoInitialize(LPVOID reserved);
// The thread joins the process's apartment (COINIT_MULTITHREADED) or gets
// one of its own (COINIT_APARTMENTTHREADED).
HRESULT CoInitializeEx(LPVOID reserved, DWORD model);
void CoUninitialize(void);
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                         LPVOID* object);
