// Letting go of a COM interface that may be null, once.
#pragma once

template <class Interface>
void com_release(Interface*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}
