// A tiny shared library that tests copy under the module's names and load,
// so that the platform finds a real module file from a real module handle.
extern "C" int module_stub_marker() {
    return 1;
}
