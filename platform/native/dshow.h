// The filter graph as the media player uses it: the graph manager's
// interfaces with the methods the radio calls, the event codes and the
// results the platform gives.
#pragma once

#include "platform/native/com.h"

typedef LONG_PTR OAHWND;
typedef LONG_PTR OAEVENT;
typedef long OAFilterState;
typedef double REFTIME;
typedef LONGLONG REFERENCE_TIME;

#define OATRUE (-1)
#define OAFALSE (0)

// Event codes.
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03
#define EC_TIME 0x04

// IMediaSeeking::SetPositions flags.
#define AM_SEEKING_NoPositioning 0x0
#define AM_SEEKING_AbsolutePositioning 0x1
#define AM_SEEKING_RelativePositioning 0x2
#define AM_SEEKING_IncrementalPositioning 0x3
#define AM_SEEKING_PositioningBitsMask 0x3

// Filter states that IMediaControl::GetState reports.
typedef enum _FilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 } FILTER_STATE;

// General results that other stand-in headers may define as well.
#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif
#ifndef E_ABORT
#define E_ABORT ((HRESULT)0x80004004L)
#endif
#ifndef E_NOTIMPL
#define E_NOTIMPL ((HRESULT)0x80004001L)
#endif
#ifndef E_ACCESSDENIED
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#endif
#ifndef HRESULT_FROM_WIN32
#define HRESULT_FROM_WIN32(x) \
    ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x)&0x0000FFFF) | (7 << 16) | 0x80000000)))
#endif
#define VFW_S_PARTIAL_RENDER ((HRESULT)0x00040242L)
#define VFW_E_NOT_FOUND ((HRESULT)0x80040216L)
#define VFW_E_CANNOT_RENDER ((HRESULT)0x80040218L)
#define VFW_E_UNSUPPORTED_STREAM ((HRESULT)0x8004022FL)
#define VFW_E_NO_AUDIO_HARDWARE ((HRESULT)0x80040256L)
#define VFW_E_UNKNOWN_FILE_TYPE ((HRESULT)0x80040240L)
#define VFW_E_NOT_CONNECTED ((HRESULT)0x80040209L)
#define VFW_E_NO_INTERFACE ((HRESULT)0x80040207L)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227L)
#define VFW_E_NOT_STOPPED ((HRESULT)0x80040224L)
#define VFW_E_TIMEOUT ((HRESULT)0x8004022EL)
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005L)

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaEventEx;
extern const IID IID_IMediaEventSink;
extern const IID IID_IBasicAudio;
extern const IID IID_IMediaSeeking;
extern const IID IID_IMediaFilter;
extern const IID IID_IReferenceClock;
extern const IID IID_IVideoWindow;

struct IGraphBuilder : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR play_list) = 0;

  protected:
    ~IGraphBuilder() = default;
};

struct IMediaControl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Run() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(long timeout, OAFilterState* state) = 0;

  protected:
    ~IMediaControl() = default;
};

struct IMediaEvent : public IUnknown {
    // A manual reset event, signalled while events wait in the queue; the
    // graph owns it, and it lives as long as the graph.
    virtual HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT* event) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEvent(long* event_code, LONG_PTR* param1, LONG_PTR* param2,
                                               long timeout) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreeEventParams(long event_code, LONG_PTR param1,
                                                      LONG_PTR param2) = 0;

  protected:
    ~IMediaEvent() = default;
};

struct IMediaEventEx : public IMediaEvent {
    virtual HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, long message,
                                                      LONG_PTR instance_data) = 0;

  protected:
    ~IMediaEventEx() = default;
};

// How filters report events to the graph; the stand-in's tests use it too.
struct IMediaEventSink : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Notify(long event_code, LONG_PTR param1, LONG_PTR param2) = 0;

  protected:
    ~IMediaEventSink() = default;
};

struct IBasicAudio : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Volume(long volume) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Volume(long* volume) = 0;

  protected:
    ~IBasicAudio() = default;
};

struct IMediaSeeking : public IUnknown {
    // The length of the rendered file, in 100 ns units.
    virtual HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD current_flags,
                                                   LONGLONG* stop, DWORD stop_flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) = 0;

  protected:
    ~IMediaSeeking() = default;
};

// A clock that counts 100 ns units and never goes back.
struct IReferenceClock : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) = 0;

  protected:
    ~IReferenceClock() = default;
};

// The graph as a filter: run with the time on its reference clock at which
// its stream starts (stream time 0 at start; after a pause and a seek, the
// new position's), and that clock.
struct IMediaFilter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) = 0;
    // The graph's clock, with a reference for the caller.
    virtual HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) = 0;

  protected:
    ~IMediaFilter() = default;
};

struct IVideoWindow : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowStyle(long style) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowPosition(long left, long top, long width,
                                                        long height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowForeground(long focus) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Visible(long visible) = 0;

  protected:
    ~IVideoWindow() = default;
};
