// The CD player as the panel's thread sees it: each command posted to the
// player thread, and the display and the tooltips read from the drive's last
// report. The display posts the radio's switches, by which the thread
// restarts a disc that stopped by itself.
#include "audio/cd.h"

#include <cstring>

#include "audio/cd_commands.h"
#include "audio/player_thread.h"
#include "core/radio_state.h"

namespace {

const char no_audio_cd[] = "Audio CD not installed.";
const char no_text[] = "";

DWORD cd_post(int32_t kind, UINT track = 0) {
    PlayerRequest request;
    memset(&request, 0, sizeof request);
    request.kind = kind;
    request.values[0] = static_cast<int32_t>(track);
    player_post(&request);
    return 0;
}

CdReport cd_last_report() {
    player_lock();
    CdReport report = cd_report;
    player_unlock();
    return report;
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
    return cd_post(REQUEST_CD_OPEN);
}

DWORD cd_play_track(UINT track) {
    return cd_post(REQUEST_CD_PLAY, track);
}

DWORD cd_stop() {
    return cd_post(REQUEST_CD_STOP);
}

DWORD cd_close() {
    return cd_post(REQUEST_CD_CLOSE);
}

DWORD cd_door_open() {
    return cd_post(REQUEST_CD_DOOR_OPEN);
}

DWORD cd_door_close() {
    return cd_post(REQUEST_CD_DOOR_CLOSE);
}

FLOAT64 FSAPI cd_display_poll(ELEMENT_STRING* element) {
    player_post_radio(radio_state.mode, radio_state.power, radio_state.paused);
    CdReport report = cd_last_report();
    radio_state.cd_playing = report.playing;
    if (radio_state.mode == MODE_CD && radio_state.power == 1 && radio_state.paused == 0) {
        if (report.playing == 1) {
            // A failed track query repeats the last track.
            if (report.track_known == 1) {
                radio_state.current_track = report.track;
            }
            char digits[16];
            wsprintfA(digits, "%02d", radio_state.current_track);
            show(element, digits);
        } else if (report.media_present == 1) {
            // The thread starts the stopped disc again.
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
    return cd_last_report().audio_disc == 1 ? no_text : no_audio_cd;
}
