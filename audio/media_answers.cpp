// The table of test answers. Handles are the presets' paths, the dialog's
// and the temporary files': far fewer than the table holds; when it is full
// the entry asked longest ago makes room.
#include "audio/media_answers.h"

#include <cstring>

#include "audio/media.h"
#include "audio/player_thread.h"

MediaAnswers media_answers;

namespace {

// Under the lock: the handle's entry, or null.
MediaAnswer* media_answer_of(MediaHandle handle) {
    for (MediaAnswer& entry : media_answers.entries) {
        if (entry.handle == handle && handle != nullptr) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

void media_answers_clear() {
    player_lock();
    memset(&media_answers, 0, sizeof media_answers);
    player_unlock();
}

void media_answer_asked(MediaHandle handle, int32_t serial) {
    player_lock();
    MediaAnswer* entry = media_answer_of(handle);
    for (MediaAnswer& candidate : media_answers.entries) {
        if (entry == nullptr || (entry->handle != handle && candidate.asked < entry->asked)) {
            entry = &candidate;
        }
    }
    if (entry->handle != handle) {
        entry->handle = handle;
        entry->answered = 0;
        entry->opened = 0;
    }
    entry->asked = serial;
    player_unlock();
}

void media_answer_given(MediaHandle handle, int32_t serial, int32_t opened) {
    player_lock();
    MediaAnswer* entry = media_answer_of(handle);
    if (entry != nullptr && serial >= entry->answered) {
        entry->answered = serial;
        entry->opened = opened;
    }
    player_unlock();
}

int media_answer_passed(MediaHandle handle) {
    player_lock();
    const MediaAnswer* entry = media_answer_of(handle);
    int passed = entry == nullptr || entry->answered == 0 || entry->opened == 1 ? 1 : 0;
    player_unlock();
    return passed;
}

int32_t media_answer_state(MediaHandle handle) {
    player_lock();
    const MediaAnswer* entry = media_answer_of(handle);
    int32_t opened = MEDIA_OPEN_OK;
    if (handle == nullptr) {
        opened = MEDIA_OPEN_FAILED;
    } else if (entry != nullptr && entry->answered < entry->asked) {
        opened = MEDIA_OPEN_PENDING;
    } else if (entry != nullptr) {
        opened = entry->opened == 1 ? MEDIA_OPEN_OK : MEDIA_OPEN_FAILED;
    }
    player_unlock();
    return opened;
}
