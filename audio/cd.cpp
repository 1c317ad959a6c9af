// The CD player: the computer's CD drive through the media control interface,
// device type "cdaudio".
#include "audio/cd.h"

#include <cstdlib>
#include <cstring>

#include "core/radio_state.h"

MCIDEVICEID cd_device = 0;

namespace {

char mode_reply[128];
char track_reply[128];
char track_count_reply[128];
char media_reply[128];
char tooltip_reply[128];
char play_command[128];

const char no_audio_cd[] = "Audio CD not installed.";
const char no_text[] = "";

DWORD cd_command(UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
    return mciSendCommandA(cd_device, message, flags, parameters);
}

// Writes at most two characters and the terminator: the display's buffer
// holds no more, whatever number the device reports.
void show(ELEMENT_STRING* element, const char* text) {
    if (element == nullptr || element->string == nullptr) {
        return;
    }
    element->string[0] = text[0];
    element->string[1] = text[0] != '\0' ? text[1] : '\0';
    element->string[2] = '\0';
}

}  // namespace

DWORD cd_open() {
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

DWORD cd_play_track(UINT track) {
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

DWORD cd_stop() {
    return cd_command(MCI_STOP, 0, 0);
}

DWORD cd_close() {
    return cd_command(MCI_CLOSE, 0, 0);
}

DWORD cd_door_open() {
    return cd_command(MCI_SET, MCI_SET_DOOR_OPEN, 0);
}

DWORD cd_door_close() {
    return cd_command(MCI_SET, MCI_SET_DOOR_CLOSED, 0);
}

FLOAT64 FSAPI cd_display_poll(ELEMENT_STRING* element) {
    radio_state.cd_playing =
        mciSendStringA("status cdaudio mode", mode_reply, sizeof mode_reply, nullptr) == 0 &&
                strcmp(mode_reply, "playing") == 0
            ? 1
            : 0;

    if (radio_state.mode == MODE_CD && radio_state.power == 1 && radio_state.paused == 0) {
        if (radio_state.cd_playing == 1) {
            if (mciSendStringA("status cdaudio current track", track_reply, sizeof track_reply,
                               nullptr) == 0) {
                radio_state.current_track = atoi(track_reply);
            }
            char digits[16];
            wsprintfA(digits, "%02d", radio_state.current_track);
            show(element, digits);
        } else if (mciSendStringA("status cdaudio media present", media_reply, sizeof media_reply,
                                  nullptr) == 0 &&
                   strcmp(media_reply, "true") == 0) {
            // A disc that stopped by itself (its end, or another program)
            // starts again; an empty drive is left alone.
            cd_play_track(1);
            show(element, "  ");
        }
    } else {
        show(element, "  ");
    }
    return static_cast<FLOAT64>(static_cast<UINT32>(radio_state.current_track));
}

const char* cd_tooltip_text() {
    if (radio_state.cd_playing == 1) {
        return no_text;
    }
    tooltip_reply[0] = '\0';
    mciSendStringA("status cdaudio type track 1", tooltip_reply, sizeof tooltip_reply, nullptr);
    return strcmp(tooltip_reply, "audio") == 0 ? no_text : no_audio_cd;
}
