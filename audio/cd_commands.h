// The CD device's commands, sent on the player thread: those the controls
// ask for, and the watch that keeps what the display and the tooltips read.
#pragma once

#include "audio/player_queue.h"
#include "platform/win32.h"

// What the watch last heard from the device; under the player's lock.
struct CdReport {
    int32_t playing;        // the mode query answered "playing"
    int32_t track_known;    // a current-track query has answered
    int32_t track;          // its answer
    int32_t media_present;  // the media query, asked while the radio plays the CD, said "true"
    int32_t audio_disc;     // "type track 1" answered "audio"
};

extern CdReport cd_report;
// The device that the open opened; kept after a close.
extern MCIDEVICEID cd_device;

DWORD cd_send_open();
DWORD cd_send_play_track(UINT track);
DWORD cd_send_stop();
DWORD cd_send_close();
DWORD cd_send_door_open();
DWORD cd_send_door_close();

void cd_serve(const PlayerRequest& request);
// Asks the device what it does when that is due, restarting a stopped disc
// as the radio's switches say; the milliseconds until the next time.
DWORD cd_watch(DWORD now);
