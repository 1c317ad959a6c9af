// The CD player: the computer's CD drive through the media control
// interface. The commands go to the player thread and return at once; the
// display and the tooltips read what the thread last heard from the drive.
#pragma once

#include "common/panel_records.h"
#include "platform/win32.h"

// Each returns 0: the command is on its way, and no caller looks further.
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
