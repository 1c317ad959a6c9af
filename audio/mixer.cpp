// The CD volume: the CD line's volume control on the first waveform mixer.
#include "audio/mixer.h"

#include <cstring>

#include "platform/win32.h"

HMIXER mixer_handle = 0;
VolumeControl volume_control = {0, 0, 0};

namespace {

MIXERCONTROLDETAILS_UNSIGNED volume_value;
// Prepared by the open and reused by every set.
MIXERCONTROLDETAILS volume_request;

const char volume_error_caption[] = "Volume Control Error";

void volume_error(const char* text) {
    MessageBoxA(GetActiveWindow(), text, volume_error_caption, MB_OK | MB_ICONHAND);
}

}  // namespace

int mixer_volume_open() {
    // A request from an earlier install must not outlive a failed open.
    memset(&volume_request, 0, sizeof volume_request);
    if (mixerOpen(&mixer_handle, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
        mixer_handle = 0;
        volume_error("Unable to open Mixer Controls.");
    }
    if (mixer_handle == 0) {
        return 0;
    }

    MIXERLINEA line;
    memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer_handle), &line,
                          MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) {
        return 0;
    }

    MIXERCONTROLA control;
    memset(&control, 0, sizeof control);
    MIXERLINECONTROLSA controls;
    memset(&controls, 0, sizeof controls);
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer_handle), &controls,
                              MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR) {
        return 0;
    }

    volume_control.id = control.dwControlID;
    volume_control.minimum = control.Bounds.dwMinimum;
    volume_control.maximum = control.Bounds.dwMaximum;
    volume_request.cbStruct = sizeof volume_request;
    volume_request.dwControlID = volume_control.id;
    volume_request.cChannels = 1;
    volume_request.cMultipleItems = 0;
    volume_request.cbDetails = sizeof volume_value;
    volume_request.paDetails = &volume_value;

    if (mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(mixer_handle), &volume_request,
                                MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) {
        return 0;
    }
    return 1;
}

void mixer_volume_set(VolumeLevel level) {
    int p = volume_percent(level);
    // In the control's own range; the product needs more than 32 bits when
    // the range does.
    DWORD range = volume_control.maximum >= volume_control.minimum
                      ? volume_control.maximum - volume_control.minimum
                      : 0;
    volume_value.dwValue = volume_control.minimum +
                           static_cast<DWORD>(static_cast<unsigned long long>(p) * range / 100);
    mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer_handle), &volume_request,
                           MIXER_SETCONTROLDETAILSF_VALUE);
}

int mixer_volume_close() {
    if (mixerClose(mixer_handle) != MMSYSERR_NOERROR) {
        volume_error("Unable to close Mixer Controls.");
        return 0;
    }
    mixer_handle = 0;
    return 1;
}
