// The answers of the player thread's file tests, by handle: the panel's
// thread notes each test it asks for, the player thread notes each answer,
// both under the player's lock.
#pragma once

#include "common/audio_types.h"

constexpr int MEDIA_ANSWER_CAPACITY = 96;

struct MediaAnswer {
    MediaHandle handle;
    int32_t asked;     // the serial of the last test asked for
    int32_t answered;  // the serial of the last test answered, 0 before
    int32_t opened;    // what that test answered
};

struct MediaAnswers {
    MediaAnswer entries[MEDIA_ANSWER_CAPACITY];
};

extern MediaAnswers media_answers;

// Forgets every answer.
void media_answers_clear();
// The panel's thread: a test of the handle is on its way, with this serial.
void media_answer_asked(MediaHandle handle, int32_t serial);
// The player thread: the test with this serial answered.
void media_answer_given(MediaHandle handle, int32_t serial, int32_t opened);
// MEDIA_OPEN_OK, MEDIA_OPEN_FAILED or, while a test is on its way,
// MEDIA_OPEN_PENDING; MEDIA_OPEN_OK when none was asked.
int32_t media_answer_state(MediaHandle handle);
// 0 when the last test answered for the handle failed, else 1 (also when
// none was asked).
int media_answer_passed(MediaHandle handle);
