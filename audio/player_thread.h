// The player thread: the module's one thread of its own, which makes every
// call that may wait (the filter graphs, the files they test, a station's
// network, the CD device). The panel's thread posts requests and returns at
// once; it reads what the thread last reported under one lock, held for a
// copy's length. The thread starts with the first request after pre-install
// and ends at pre-kill; it holds the module while it runs.
#pragma once

#include "audio/player_queue.h"
#include "platform/win32.h"

// The radio's switches as the panel last posted them, with the serial of
// the last request posted by then: the CD's watch restarts a stopped disc
// only on a state that no request still on its way contradicts.
struct PlayerRadio {
    int32_t mode;
    int32_t power;
    int32_t paused;
    int32_t posted;
};

struct PlayerThreadState {
    CRITICAL_SECTION lock;
    int32_t ready;  // the lock and the wake event are made
    HANDLE wake;    // automatic reset: something for the thread to look at

    // Under the lock.
    PlayerQueue queue;
    int32_t posted;   // the serial of the last request posted
    int32_t served;   // the highest serial the thread has taken
    int32_t running;  // a thread serves the queue
    int32_t busy;     // it is serving what it took
    PlayerRadio radio;

    // The panel thread's own.
    HANDLE thread;
    HINSTANCE module_instance;  // the module the thread holds (null: none)
};

extern PlayerThreadState player_thread;

// The module whose code the thread runs in.
void player_set_module(HINSTANCE module_instance);
// Queues the request (its serial given here), starting the thread when none
// runs; 1, or 0 when the queue had no room.
int player_post(PlayerRequest* request);
// Posts the radio's switches when they changed or requests went since.
void player_post_radio(int32_t mode, int32_t power, int32_t paused);
// Ends the thread once it has served what was posted, waiting for it a
// short time: a thread still waiting on a file or the network ends by
// itself later, holding the module until then.
void player_end();
// 1 when everything posted has been served and the thread waits.
int player_idle();

void player_lock();
void player_unlock();

// --- On the player thread ---
// 1 when a request that changes what the device plays waits.
int player_waiting(int32_t device);
PlayerRadio player_radio();
int32_t player_served();
