// The CD player: the computer's CD drive through the media control interface.
#pragma once

#include "common/panel_records.h"
#include "platform/win32.h"

// The device that cd_open opened; kept after a close.
extern MCIDEVICEID cd_device;

DWORD cd_open();
DWORD cd_play_track(UINT track);
DWORD cd_stop();
DWORD cd_close();
DWORD cd_door_open();
DWORD cd_door_close();
// The track display's update callback.
FLOAT64 FSAPI cd_display_poll(ELEMENT_STRING* element);
// What a preset's tooltip shows in CD mode.
const char* cd_tooltip_text();
