// The player's request queue: a ring of fixed size that never waits for
// room, thinned where a later request makes an earlier one pointless.
#include "audio/player_queue.h"

#include <cstring>

namespace {

PlayerRequest& at(PlayerQueue* queue, int32_t offset) {
    return queue->requests[(queue->first + offset) % PLAYER_QUEUE_CAPACITY];
}

// What a later play of the same device leaves nothing of.
bool replaced_by_play(int32_t kind) {
    return kind == REQUEST_CD_PLAY || kind == REQUEST_CD_STOP || kind == REQUEST_MEDIA_PLAY ||
           kind == REQUEST_MEDIA_STEP || kind == REQUEST_MEDIA_STOP;
}

// Drops the plays, steps and stops of the device that wait at the end of
// its requests, back to the first request of it that may depend on them (a
// test renders into the graph a stop left stopped; a door moves only a
// stopped disc). A volume between them changes nothing of theirs.
void drop_replaced(PlayerQueue* queue, int32_t device) {
    int32_t stop_at = -1;
    for (int32_t i = queue->count - 1; i >= 0 && stop_at < 0; --i) {
        const PlayerRequest& waiting = at(queue, i);
        if (player_request_device(waiting.kind) == device && !replaced_by_play(waiting.kind) &&
            waiting.kind != REQUEST_MEDIA_VOLUME) {
            stop_at = i;
        }
    }
    int32_t kept = stop_at + 1;
    for (int32_t i = stop_at + 1; i < queue->count; ++i) {
        const PlayerRequest& waiting = at(queue, i);
        if (player_request_device(waiting.kind) != device || !replaced_by_play(waiting.kind)) {
            if (kept != i) {
                at(queue, kept) = waiting;
            }
            ++kept;
        }
    }
    queue->count = kept;
}

// Drops every waiting request of the device.
void drop_all(PlayerQueue* queue, int32_t device) {
    int32_t kept = 0;
    for (int32_t i = 0; i < queue->count; ++i) {
        if (player_request_device(at(queue, i).kind) != device) {
            at(queue, kept++) = at(queue, i);
        }
    }
    queue->count = kept;
}

// What a full queue may do without: a press a later one follows, or a
// volume. A stop stays: what comes after it may need the silence.
bool droppable(int32_t kind) {
    return kind == REQUEST_CD_PLAY || kind == REQUEST_MEDIA_PLAY || kind == REQUEST_MEDIA_STEP ||
           kind == REQUEST_MEDIA_VOLUME;
}

// Takes out the oldest request that a full queue may do without; false when
// there is none.
bool drop_oldest(PlayerQueue* queue) {
    for (int32_t i = 0; i < queue->count; ++i) {
        if (droppable(at(queue, i).kind)) {
            for (int32_t j = i; j + 1 < queue->count; ++j) {
                at(queue, j) = at(queue, j + 1);
            }
            --queue->count;
            return true;
        }
    }
    return false;
}

// The last waiting request of the device, or null.
PlayerRequest* last_of(PlayerQueue* queue, int32_t device) {
    for (int32_t i = queue->count - 1; i >= 0; --i) {
        if (player_request_device(at(queue, i).kind) == device) {
            return &at(queue, i);
        }
    }
    return nullptr;
}

}  // namespace

int32_t player_request_device(int32_t kind) {
    if (kind >= REQUEST_CD_OPEN && kind <= REQUEST_CD_DOOR_CLOSE) {
        return DEVICE_CD;
    }
    return kind >= REQUEST_MEDIA_INIT && kind <= REQUEST_MEDIA_SHUTDOWN ? DEVICE_MEDIA
                                                                        : DEVICE_THREAD;
}

int player_queue_add(PlayerQueue* queue, const PlayerRequest& request) {
    int32_t device = player_request_device(request.kind);
    PlayerRequest* last = last_of(queue, device);
    if (request.kind == REQUEST_CD_PLAY || request.kind == REQUEST_MEDIA_PLAY) {
        drop_replaced(queue, device);
    } else if (request.kind == REQUEST_MEDIA_SHUTDOWN) {
        // What waits for the player is pointless once it goes: files still
        // to be tested are not waited for.
        drop_all(queue, device);
    } else if (last != nullptr && last->kind == request.kind &&
               (request.kind == REQUEST_CD_STOP || request.kind == REQUEST_MEDIA_STOP ||
                request.kind == REQUEST_MEDIA_VOLUME)) {
        // The one waiting does this one's work, and answers for its serial.
        last->values[0] = request.values[0];
        last->serial = request.serial;
        return 1;
    }
    if (queue->count == PLAYER_QUEUE_CAPACITY && !drop_oldest(queue)) {
        return 0;
    }
    at(queue, queue->count) = request;
    ++queue->count;
    return 1;
}

int player_queue_take(PlayerQueue* queue, PlayerRequest* request) {
    if (queue->count == 0) {
        return 0;
    }
    *request = queue->requests[queue->first];
    queue->first = (queue->first + 1) % PLAYER_QUEUE_CAPACITY;
    --queue->count;
    return 1;
}

int player_queue_changes(const PlayerQueue* queue, int32_t device) {
    for (int32_t i = 0; i < queue->count; ++i) {
        const PlayerRequest& waiting = queue->requests[(queue->first + i) % PLAYER_QUEUE_CAPACITY];
        bool change = replaced_by_play(waiting.kind) || waiting.kind == REQUEST_MEDIA_SHUTDOWN;
        if (change && player_request_device(waiting.kind) == device) {
            return 1;
        }
    }
    return 0;
}
