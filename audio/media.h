// The media file player: preset files through a filter graph.
#pragma once

#include "core/shared_types.h"
#include "platform/win32.h"

int media_init(HINSTANCE instance, int left, int top, int width, int height);
MediaHandle media_open(const char* name);
int media_play(MediaHandle handle, int loop);
int media_stop();
int media_set_volume(VolumeLevel level);
int media_shutdown();
void media_on_events();
LRESULT CALLBACK media_event_wndproc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
