// The native stand-in's own controls: what a Windows machine would set up
// outside the module (the trace, injected faults, the user's answers to the
// file chooser, the active window, where sound goes). Used by the panel host
// and the tests; the module itself never calls these.
#pragma once

#include <functional>
#include <string>

#include "platform/native/types.h"

namespace plat {

// --- Trace: one line per platform call the module makes -------------------
// Switched on by SKYTUNE_TRACE=FILE ("-" for standard error) or by trace_to.
void trace_to(const char* path);  // null switches it off
bool trace_on();

// Builds one trace line: the call's name, its arguments, " -> ", the result.
// The line is written when the builder goes out of scope.
class Trace {
  public:
    explicit Trace(const char* call);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    Trace& str(const char* text);  // "text", or NULL
    Trace& num(long long value);
    Trace& sym(const char* word);  // a bare word such as a symbolic name
    Trace& ret(long long value);   // " -> value"
    Trace& ret_sym(const char* word);
    Trace& ret_str(const char* text);  // " -> \"text\""

  private:
    bool on_;
    std::string line_;
};

// --- Fault injection --------------------------------------------------------
// SKYTUNE_FAIL or faults_set take a comma-separated list of call names
// ("mixerOpen,IMediaControl::Run"); each named call then fails the way the
// platform's call fails. "*" fails every call that can fail.
void faults_set(const char* names);
bool fault(const char* call);

// --- The open-file dialog ---------------------------------------------------
// Answers queued here are given, in order, to the next choosers instead of
// asking a person.
void dialog_answer(const char* path);
void dialog_cancel();
void dialog_clear();

// --- Windows ---------------------------------------------------------------
void set_active_window(HWND window);
// Delivers every posted message to its window's procedure, on the calling
// thread; the number delivered.
int pump_messages();
// The threads CreateThread made that have not yet ended.
int made_threads_running();
// Who shows MessageBoxA: the host's dialog, or standard error without one.
void set_message_box_handler(std::function<int(const char* text, const char* caption, UINT type)>);

// --- Where sound goes -------------------------------------------------------
// SKYTUNE_AUDIO or set_audio_sink: "auto" (the speakers), "null" (nowhere),
// or "wav:DIR" (every stream captured into its own WAV file in DIR).
enum class SinkKind { Real, Null, Wav };
bool set_audio_sink(const char* choice);
SinkKind audio_sink_kind();
// A fresh capture file name for a stream, DIR/<stream>-<n>.wav.
std::string audio_capture_path(const char* stream);
// Starts the file tester that RenderFile's test of a file runs in, so that
// the first test does not wait for it; it otherwise starts with the first
// filter graph.
void start_file_tester();

// --- The CD drive and the mixer --------------------------------------------
// SKYTUNE_CD or set_cd_source: the disc in the virtual drive. A folder of
// audio files (the tracks, in name order), "none" (an empty drive), "data"
// (a data disc), "absent" (no drive at all), or "demo" (null too) for the
// demo disc that the build makes. Takes the old disc out first.
void set_cd_source(const char* disc);
// The range of the mixer's CD volume control, 0..65535 until set; the
// control goes to its maximum, full gain.
void set_mixer_cd_range(DWORD minimum, DWORD maximum);

// Turns '\' into '/', so paths written on Windows work here.
std::string native_path(const char* path);

}  // namespace plat
