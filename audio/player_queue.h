// The requests the panel's thread gives the player thread, and the small
// queue they wait in: first in, first out, so that each device receives its
// commands in the order the controls gave them. A request that a later one
// for the same device makes pointless is dropped while it still waits, so
// that a burst of presses ends in the last one's sound soon.
#pragma once

#include "common/audio_types.h"

enum PlayerRequestKind : int32_t {
    REQUEST_NONE = 0,
    // The CD device.
    REQUEST_CD_OPEN,
    REQUEST_CD_PLAY,  // values[0]: the track
    REQUEST_CD_STOP,
    REQUEST_CD_CLOSE,
    REQUEST_CD_DOOR_OPEN,
    REQUEST_CD_DOOR_CLOSE,
    // The media player.
    REQUEST_MEDIA_INIT,  // values: the video window's left, top, width, height
    REQUEST_MEDIA_TEST,
    REQUEST_MEDIA_PLAY,  // values[0]: the loop flag
    REQUEST_MEDIA_STEP,  // values[0]: the direction
    REQUEST_MEDIA_STOP,
    REQUEST_MEDIA_VOLUME,  // values[0]: the level
    REQUEST_MEDIA_SHUTDOWN,
    // The thread ends, once everything before it has been served.
    REQUEST_QUIT,
};

enum PlayerDevice : int32_t {
    DEVICE_CD = 0,
    DEVICE_MEDIA = 1,
    DEVICE_THREAD = 2,
};

struct PlayerRequest {
    int32_t kind;
    int32_t serial;  // counts the requests posted, from 1
    int32_t values[4];
    // The handle the request is about, as the panel knows it.
    MediaHandle handle;
    // Served only when the last test of this handle passed (0: always).
    MediaHandle needs;
    // The handle's path as it read when the request was made: the thread
    // never reads the panel's texts.
    char path[256];
};

constexpr int PLAYER_QUEUE_CAPACITY = 64;

struct PlayerQueue {
    PlayerRequest requests[PLAYER_QUEUE_CAPACITY];
    int32_t first;
    int32_t count;
};

int32_t player_request_device(int32_t kind);
// Adds the request at the end. Before it, a play drops the plays, steps and
// stops of its device that wait since its last other request (a play starts
// afresh whatever went before; a test in between needs the stop before it),
// a stop is not added behind another, a volume takes the place of a volume
// just before it, and the media player's shutdown drops all of its
// requests that wait. A full queue makes room by dropping its
// oldest play, step or volume; 0 when it has none to drop and the request
// is refused.
int player_queue_add(PlayerQueue* queue, const PlayerRequest& request);
// The oldest request, taken out; 0 when there is none.
int player_queue_take(PlayerQueue* queue, PlayerRequest* request);
// 1 when a request that changes what the device plays waits (a play, a
// step, a stop, the end).
int player_queue_changes(const PlayerQueue* queue, int32_t device);
