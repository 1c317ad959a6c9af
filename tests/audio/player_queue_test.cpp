// The player thread's queue: each device's requests come out in the order
// they went in; what a later request makes pointless is dropped while it
// waits; a full queue never refuses the newest press.
#include "audio/player_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Queue {
    PlayerQueue queue{};
    int32_t serial = 0;

    int add(int32_t kind, int32_t value = 0) {
        PlayerRequest request;
        memset(&request, 0, sizeof request);
        request.kind = kind;
        request.serial = ++serial;
        request.values[0] = value;
        return player_queue_add(&queue, request);
    }
    // What comes out, in order, as "kind:value@serial".
    std::string drain() {
        std::string out;
        PlayerRequest request;
        while (player_queue_take(&queue, &request) == 1) {
            out += std::to_string(request.kind) + ":" + std::to_string(request.values[0]) + "@" +
                   std::to_string(request.serial) + " ";
        }
        return out;
    }
};

std::string entry(int32_t kind, int32_t value, int32_t serial) {
    return std::to_string(kind) + ":" + std::to_string(value) + "@" + std::to_string(serial) + " ";
}

TEST(PlayerQueue, KeepsTheOrderAndDropsWhatALaterRequestMakesPointless) {
    Queue q;
    // A burst of presses in FM mode, the CD's open and a test in between.
    q.add(REQUEST_CD_OPEN);
    q.add(REQUEST_MEDIA_STOP);
    q.add(REQUEST_MEDIA_PLAY, 1);
    q.add(REQUEST_MEDIA_TEST);
    q.add(REQUEST_MEDIA_VOLUME, -2000);
    q.add(REQUEST_MEDIA_VOLUME, -1850);
    q.add(REQUEST_CD_PLAY, 3);
    q.add(REQUEST_MEDIA_STOP);
    q.add(REQUEST_MEDIA_STOP);
    q.add(REQUEST_CD_PLAY, 4);
    q.add(REQUEST_MEDIA_STEP, 1);
    q.add(REQUEST_MEDIA_STEP, 1);
    q.add(REQUEST_MEDIA_PLAY, 1);
    q.add(REQUEST_CD_DOOR_OPEN);
    EXPECT_EQ(player_queue_changes(&q.queue, DEVICE_CD), 1);
    // Of each device's plays since its last other request, the last; the
    // test, the door and the latest volume in their places; a stop stands
    // for the one behind it.
    EXPECT_EQ(q.drain(), entry(REQUEST_CD_OPEN, 0, 1) + entry(REQUEST_MEDIA_PLAY, 1, 3) +
                             entry(REQUEST_MEDIA_TEST, 0, 4) +
                             entry(REQUEST_MEDIA_VOLUME, -1850, 6) + entry(REQUEST_CD_PLAY, 4, 10) +
                             entry(REQUEST_MEDIA_PLAY, 1, 13) + entry(REQUEST_CD_DOOR_OPEN, 0, 14));
    EXPECT_EQ(player_queue_changes(&q.queue, DEVICE_MEDIA), 0);

    // Steps and stops between plays all count: a pause goes on from the
    // entry that played.
    q.add(REQUEST_MEDIA_STEP, 1);
    q.add(REQUEST_MEDIA_STOP);
    q.add(REQUEST_MEDIA_STEP, -1);
    q.add(REQUEST_MEDIA_VOLUME, -100);
    q.add(REQUEST_MEDIA_STOP);
    EXPECT_EQ(q.drain(), entry(REQUEST_MEDIA_STEP, 1, 15) + entry(REQUEST_MEDIA_STOP, 0, 16) +
                             entry(REQUEST_MEDIA_STEP, -1, 17) +
                             entry(REQUEST_MEDIA_VOLUME, -100, 18) +
                             entry(REQUEST_MEDIA_STOP, 0, 19));

    // At the end, the tests still waiting are not waited for; the CD's last
    // commands are.
    q.add(REQUEST_MEDIA_TEST);
    q.add(REQUEST_CD_STOP);
    q.add(REQUEST_MEDIA_TEST);
    q.add(REQUEST_CD_CLOSE);
    q.add(REQUEST_MEDIA_SHUTDOWN);
    q.add(REQUEST_QUIT);
    EXPECT_EQ(q.drain(), entry(REQUEST_CD_STOP, 0, 21) + entry(REQUEST_CD_CLOSE, 0, 23) +
                             entry(REQUEST_MEDIA_SHUTDOWN, 0, 24) + entry(REQUEST_QUIT, 0, 25));
}

TEST(PlayerQueue, AFullQueueDropsItsOldestPressNeverATest) {
    Queue q;
    for (int i = 0; i < PLAYER_QUEUE_CAPACITY - 1; ++i) {
        q.add(REQUEST_MEDIA_TEST);
    }
    q.add(REQUEST_CD_PLAY, 2);
    EXPECT_EQ(q.add(REQUEST_CD_DOOR_OPEN), 1) << "room made by the waiting play";
    EXPECT_EQ(q.add(REQUEST_MEDIA_TEST), 0) << "nothing left that may go";
    std::string out = q.drain();
    EXPECT_EQ(out.find(entry(REQUEST_CD_PLAY, 2, PLAYER_QUEUE_CAPACITY)), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - entry(REQUEST_CD_DOOR_OPEN, 0, 65).size()),
              entry(REQUEST_CD_DOOR_OPEN, 0, 65));
    // Taken out, the ring has room again, in order.
    for (int i = 0; i < 3; ++i) {
        q.add(REQUEST_CD_STOP);
        q.add(REQUEST_CD_CLOSE);
    }
    EXPECT_EQ(q.drain(), entry(REQUEST_CD_STOP, 0, 67) + entry(REQUEST_CD_CLOSE, 0, 68) +
                             entry(REQUEST_CD_STOP, 0, 69) + entry(REQUEST_CD_CLOSE, 0, 70) +
                             entry(REQUEST_CD_STOP, 0, 71) + entry(REQUEST_CD_CLOSE, 0, 72));
}

}  // namespace
