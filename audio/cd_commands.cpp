// The CD player's commands through the media control interface, device type
// "cdaudio", and the watch of the device. The watch asks about ten times a
// second while the radio is on in CD mode and the device answers, and once
// a second otherwise: with no drive an idle radio costs nothing.
#include "audio/cd_commands.h"

#include <cstdlib>
#include <cstring>

#include "audio/player_thread.h"
#include "core/radio_state.h"

CdReport cd_report;
MCIDEVICEID cd_device = 0;

namespace {

constexpr DWORD CD_WATCH_MS = 100;
constexpr DWORD CD_WATCH_IDLE_MS = 1000;
// How often a stopped drive is asked what disc it holds, when nothing else
// says that it changed.
constexpr DWORD CD_DISC_ASK_MS = 1000;

char mode_reply[128];
char track_reply[128];
char track_count_reply[128];
char media_reply[128];
char tooltip_reply[128];
char play_command[128];

// The watch's own record, the thread's.
struct CdWatch {
    DWORD due;
    int32_t scheduled;
    // The radio's switches at the last look: a change of them is looked
    // at at once.
    int32_t mode;
    int32_t power;
    char last_mode[128];
    int32_t disc_asked;
    DWORD disc_asked_at;
};

CdWatch cd_watching;

DWORD cd_command(UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
    return mciSendCommandA(cd_device, message, flags, parameters);
}

// What the radio plays the CD with, as the panel last posted it; only a
// state that no request still on its way contradicts counts as settled.
bool cd_radio_plays(const PlayerRadio& radio) {
    return radio.mode == MODE_CD && radio.power == 1 && radio.paused == 0;
}

}  // namespace

DWORD cd_send_open() {
    // What an earlier gauge's watch heard is not this one's.
    player_lock();
    memset(&cd_report, 0, sizeof cd_report);
    player_unlock();
    MCI_OPEN_PARMSA open;
    memset(&open, 0, sizeof open);
    open.lpstrDeviceType = "cdaudio";
    DWORD error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
    if (error != 0) {
        return error;
    }
    cd_device = open.wDeviceID;

    MCI_SET_PARMS set;
    memset(&set, 0, sizeof set);
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    error = cd_command(MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
    if (error != 0) {
        cd_command(MCI_CLOSE, 0, 0);
        return error;
    }
    return 0;
}

DWORD cd_send_play_track(UINT track) {
    mciSendStringA("stop cdaudio", nullptr, 0, nullptr);
    mciSendStringA("close cdaudio", nullptr, 0, nullptr);
    mciSendStringA("open cdaudio", nullptr, 0, nullptr);
    mciSendStringA("set cdaudio time format tmsf", nullptr, 0, nullptr);

    UINT start = track;
    if (track == 0) {
        // Track 0 is the last track: a step back from the first.
        if (mciSendStringA("status cdaudio number of tracks", track_count_reply,
                           sizeof track_count_reply, nullptr) == 0) {
            start = static_cast<UINT>(atoi(track_count_reply));
        } else {
            start = 1;
        }
    }

    wsprintfA(play_command, "play cdaudio from %u", start);
    if (mciSendStringA(play_command, nullptr, 0, nullptr) == 0) {
        return 0;
    }
    // A step past the last track starts the disc again.
    return mciSendStringA("play cdaudio from 1", nullptr, 0, nullptr);
}

DWORD cd_send_stop() {
    return cd_command(MCI_STOP, 0, 0);
}

DWORD cd_send_close() {
    return cd_command(MCI_CLOSE, 0, 0);
}

DWORD cd_send_door_open() {
    return cd_command(MCI_SET, MCI_SET_DOOR_OPEN, 0);
}

DWORD cd_send_door_close() {
    return cd_command(MCI_SET, MCI_SET_DOOR_CLOSED, 0);
}

void cd_serve(const PlayerRequest& request) {
    switch (request.kind) {
        case REQUEST_CD_OPEN:
            cd_send_open();
            break;
        case REQUEST_CD_PLAY:
            cd_send_play_track(static_cast<UINT>(request.values[0]));
            break;
        case REQUEST_CD_STOP:
            cd_send_stop();
            break;
        case REQUEST_CD_CLOSE:
            cd_send_close();
            break;
        case REQUEST_CD_DOOR_OPEN:
            cd_send_door_open();
            break;
        case REQUEST_CD_DOOR_CLOSE:
            cd_send_door_close();
            break;
        default:
            break;
    }
    // What the command changed is asked about at once.
    cd_watching.scheduled = 0;
}

DWORD cd_watch(DWORD now) {
    CdWatch& watching = cd_watching;
    PlayerRadio radio = player_radio();
    if (watching.scheduled == 1 && static_cast<LONG>(watching.due - now) > 0 &&
        radio.mode == watching.mode && radio.power == watching.power) {
        return watching.due - now;
    }
    watching.mode = radio.mode;
    watching.power = radio.power;
    CdReport report = cd_report;
    mode_reply[0] = '\0';
    bool answered =
        mciSendStringA("status cdaudio mode", mode_reply, sizeof mode_reply, nullptr) == 0;
    report.playing = answered && strcmp(mode_reply, "playing") == 0 ? 1 : 0;
    report.media_present = 0;
    bool restart_failed = false;
    if (cd_radio_plays(radio) && report.playing == 1) {
        if (mciSendStringA("status cdaudio current track", track_reply, sizeof track_reply,
                           nullptr) == 0) {
            report.track = atoi(track_reply);
            report.track_known = 1;
        }
    } else if (cd_radio_plays(radio)) {
        media_reply[0] = '\0';
        report.media_present = mciSendStringA("status cdaudio media present", media_reply,
                                              sizeof media_reply, nullptr) == 0 &&
                                       strcmp(media_reply, "true") == 0
                                   ? 1
                                   : 0;
        // A disc that stopped by itself (its end, or another program)
        // starts again, once for each stop: the next look sees it play. An
        // empty drive is left alone.
        if (report.media_present == 1 && radio.posted >= player_served()) {
            restart_failed = cd_send_play_track(1) != 0;
        }
    }
    // The disc's kind, for the tooltips: asked while the disc does not
    // play, when the device's mode changed, and now and then.
    if (report.playing == 0 &&
        (watching.disc_asked == 0 || strcmp(mode_reply, watching.last_mode) != 0 ||
         now - watching.disc_asked_at >= CD_DISC_ASK_MS)) {
        tooltip_reply[0] = '\0';
        mciSendStringA("status cdaudio type track 1", tooltip_reply, sizeof tooltip_reply, nullptr);
        report.audio_disc = strcmp(tooltip_reply, "audio") == 0 ? 1 : 0;
        watching.disc_asked = 1;
        watching.disc_asked_at = now;
    }
    memcpy(watching.last_mode, mode_reply, sizeof watching.last_mode);
    player_lock();
    cd_report = report;
    player_unlock();

    DWORD wait = answered && radio.power == 1 && radio.mode == MODE_CD && !restart_failed
                     ? CD_WATCH_MS
                     : CD_WATCH_IDLE_MS;
    watching.due = now + wait;
    watching.scheduled = 1;
    return wait;
}
