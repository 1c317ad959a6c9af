// How the stand-in's COM classes make themselves known to CoCreateInstance.
#pragma once

#include "platform/native/com.h"

namespace plat {

// Makes a new object of the class and asks it for iid; the platform's HRESULT.
typedef HRESULT (*ComFactory)(REFIID iid, void** object);

// Registers a class; a static object in the class's own file calls it.
void register_com_class(REFCLSID clsid, const char* name, ComFactory factory);

struct ComClassRegistration {
    ComClassRegistration(REFCLSID clsid, const char* name, ComFactory factory) {
        register_com_class(clsid, name, factory);
    }
};

// How many CoInitialize calls on this thread await their CoUninitialize.
int com_initialized();

}  // namespace plat
