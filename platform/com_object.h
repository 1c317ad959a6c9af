// What the stand-in's COM objects share: a traced reference count, the tail
// of QueryInterface, which injected faults can make fail, and the whole
// IUnknown of an object that offers one interface.
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

// IUnknown for an object that offers Interface (whose id is own) and
// nothing else. Object is the final class; its last release deletes it, so
// it befriends ComCount.
template <class Interface, class Object>
class SingleInterface : public Interface {
  public:
    SingleInterface(const char* name, REFIID own) : references_(name), name_(name), own_(own) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        bool known = iid == IID_IUnknown || iid == own_;
        return references_.query(name_, known ? static_cast<Interface*>(this) : nullptr, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        return references_.release(static_cast<Object*>(this));
    }

  protected:
    ~SingleInterface() = default;

  private:
    ComCount references_;
    const char* name_;
    REFIID own_;
};

}  // namespace plat
