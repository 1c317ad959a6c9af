// What the stand-in's COM objects share: a traced reference count and the
// tail of QueryInterface, which injected faults can make fail.
#pragma once

#include <atomic>
#include <string>

#include "platform/native/com.h"
#include "platform/native/standin.h"

namespace plat {

class ComCount {
  public:
    // name: how the trace calls the object ("IDirectSound8", "FilterGraph").
    explicit ComCount(const char* name) : name_(name) {}

    ULONG add() {
        ULONG count = ++count_;
        Trace("IUnknown::AddRef").sym(name_).ret(count);
        return count;
    }
    // The count left; the last release deletes the object (whose class
    // befriends ComCount, its destructor being private).
    template <class Object>
    ULONG release(Object* self) {
        ULONG count = --count_;
        Trace("IUnknown::Release").sym(name_).ret(count);
        if (count == 0) {
            delete self;
        }
        return count;
    }

    // Hands out found, the object's interface named interface_name (null
    // when it has none), with one more reference.
    HRESULT query(const char* interface_name, void* found, void** object) {
        Trace trace("IUnknown::QueryInterface");
        trace.sym(interface_name);
        HRESULT result = S_OK;
        if (object == nullptr) {
            result = E_POINTER;
        } else if (found == nullptr || fault("IUnknown::QueryInterface") ||
                   fault((std::string("IUnknown::QueryInterface:") + interface_name).c_str())) {
            *object = nullptr;
            result = E_NOINTERFACE;
        } else {
            ++count_;
            *object = found;
        }
        trace.ret(result);
        return result;
    }

  private:
    std::atomic<ULONG> count_{1};
    const char* name_;
};

}  // namespace plat
