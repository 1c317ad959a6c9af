// The waveform mixer: device 0, a speaker output with one source line, the
// compact disc, whose volume control sets the virtual CD drive's gain.
// Lines are found by component type or by identifier, controls one by type;
// any other device, line, control or query, and details other than the
// value, and asking for change notices, are refused with the mixer's errors.
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "platform/native/standin.h"
#include "platform/virtual_cd_drive.h"
#include "platform/win32.h"

struct HMIXER__ {
    int serial;
};

namespace {

const DWORD speakers_line = 0xFFFF0000;
const DWORD cd_line = 0x00000001;
const DWORD cd_volume_id = 1;
// The bits of a call's flags that say what the mixer object names.
const DWORD object_kind_mask = 0xF0000000;

std::mutex mixer_lock;
std::set<HMIXER> open_mixers;
DWORD volume_minimum = 0;
DWORD volume_maximum = 65535;
DWORD volume_value = 65535;

std::string field(const char* name, long long value) {
    return std::string(name) + "=" + std::to_string(value);
}

// The control's value as a gain, 0 to 1, linear in the value.
void apply_gain() {
    double span = double(volume_maximum) - double(volume_minimum);
    double gain = span > 0 ? (double(volume_value) - double(volume_minimum)) / span : 1.0;
    plat::cd_drive().set_gain(gain);
}

// A mixer object is an open handle, or with MIXER_OBJECTF_MIXER also the
// device number, as the platform takes either.
MMRESULT check_object(HMIXEROBJ object, DWORD flags) {
    DWORD kind = flags & object_kind_mask;
    HMIXER handle = reinterpret_cast<HMIXER>(object);
    if (kind == MIXER_OBJECTF_HMIXER) {
        return open_mixers.count(handle) != 0 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }
    if (kind != MIXER_OBJECTF_MIXER) {
        return MMSYSERR_NOTSUPPORTED;
    }
    return object == nullptr || open_mixers.count(handle) != 0 ? MMSYSERR_NOERROR
                                                               : MMSYSERR_BADDEVICEID;
}

void describe_line(MIXERLINEA* line, DWORD id) {
    DWORD size = line->cbStruct;
    memset(line, 0, sizeof *line);
    line->cbStruct = size;
    line->dwLineID = id;
    line->cChannels = 2;
    line->fdwLine = MIXERLINE_LINEF_ACTIVE;
    line->Target.dwType = MIXERLINE_TARGETTYPE_UNDEFINED;
    strcpy(line->Target.szPname, "SkyTune Mixer");
    if (id == speakers_line) {
        line->dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        line->cConnections = 1;
        strcpy(line->szShortName, "Speakers");
        strcpy(line->szName, "Speakers");
    } else {
        line->fdwLine |= MIXERLINE_LINEF_SOURCE;
        line->dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
        line->cControls = 1;
        strcpy(line->szShortName, "CD Audio");
        strcpy(line->szName, "CD Audio");
    }
}

void describe_volume(MIXERCONTROLA* control) {
    memset(control, 0, sizeof *control);
    control->cbStruct = sizeof *control;
    control->dwControlID = cd_volume_id;
    control->dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    control->fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    strcpy(control->szShortName, "Volume");
    strcpy(control->szName, "CD Audio Volume");
    control->Bounds.dwMinimum = volume_minimum;
    control->Bounds.dwMaximum = volume_maximum;
    control->Metrics.cSteps = 65536;
}

// A value request for the CD volume, to get or to set it.
MMRESULT check_details(HMIXEROBJ mixer, const MIXERCONTROLDETAILS* details, DWORD flags) {
    MMRESULT object = check_object(mixer, flags);
    if (object != MMSYSERR_NOERROR) {
        return object;
    }
    if (details == nullptr || details->cbStruct != sizeof *details ||
        details->paDetails == nullptr ||
        details->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED)) {
        return MMSYSERR_INVALPARAM;
    }
    if (details->dwControlID != cd_volume_id) {
        return MIXERR_INVALCONTROL;
    }
    // A uniform control takes one channel and no items.
    if (details->cChannels != 1 || details->cMultipleItems != 0) {
        return MMSYSERR_INVALPARAM;
    }
    // Both calls know only the value query.
    if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE) {
        return MMSYSERR_NOTSUPPORTED;
    }
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT mixerOpen(LPHMIXER mixer, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                   DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        if (mixer == nullptr) {
            result = MMSYSERR_INVALPARAM;
        } else if (device != 0 || plat::fault("mixerOpen")) {
            result = MMSYSERR_BADDEVICEID;
        } else if (flags != 0 || callback != 0) {
            // Change notices are not sent by this mixer.
            result = MMSYSERR_INVALFLAG;
        } else {
            static int serial = 0;
            *mixer = new HMIXER__{++serial};
            open_mixers.insert(*mixer);
        }
    }
    plat::Trace("mixerOpen")
        .num(device)
        .num(static_cast<long long>(callback))
        .num(static_cast<long long>(instance))
        .num(flags)
        .ret(result);
    return result;
}

MMRESULT mixerClose(HMIXER mixer) {
    MMRESULT result = MMSYSERR_NOERROR;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        if (open_mixers.count(mixer) == 0 || plat::fault("mixerClose")) {
            result = MMSYSERR_INVALHANDLE;
        } else {
            open_mixers.erase(mixer);
            delete mixer;
        }
    }
    plat::Trace("mixerClose").ret(result);
    return result;
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, LPMIXERLINEA line, DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    DWORD component = line != nullptr ? line->dwComponentType : 0;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        result = check_object(mixer, flags);
        if (result != MMSYSERR_NOERROR) {
        } else if (line == nullptr || line->cbStruct < sizeof *line) {
            result = MMSYSERR_INVALPARAM;
        } else if (plat::fault("mixerGetLineInfoA")) {
            result = MIXERR_INVALLINE;
        } else {
            switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
                case MIXER_GETLINEINFOF_COMPONENTTYPE:
                    if (component == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) {
                        describe_line(line, speakers_line);
                    } else if (component == MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC) {
                        describe_line(line, cd_line);
                    } else {
                        result = MIXERR_INVALLINE;
                    }
                    break;
                case MIXER_GETLINEINFOF_LINEID:
                    if (line->dwLineID == speakers_line || line->dwLineID == cd_line) {
                        describe_line(line, line->dwLineID);
                    } else {
                        result = MIXERR_INVALLINE;
                    }
                    break;
                default:
                    result = MMSYSERR_NOTSUPPORTED;
            }
        }
    }
    plat::Trace("mixerGetLineInfoA")
        .sym(field("dwComponentType", component).c_str())
        .num(flags)
        .ret(result)
        .sym(field("dwLineID", result == MMSYSERR_NOERROR ? line->dwLineID : 0).c_str());
    return result;
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, LPMIXERLINECONTROLSA controls, DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        result = check_object(mixer, flags);
        DWORD query = flags & MIXER_GETLINECONTROLSF_QUERYMASK;
        if (result != MMSYSERR_NOERROR) {
        } else if (controls == nullptr || controls->cbStruct != sizeof *controls ||
                   controls->pamxctrl == nullptr || controls->cbmxctrl < sizeof(MIXERCONTROLA) ||
                   controls->cControls != 1) {
            result = MMSYSERR_INVALPARAM;
        } else if (plat::fault("mixerGetLineControlsA")) {
            result = MIXERR_INVALCONTROL;
        } else if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
            if (controls->dwLineID != cd_line && controls->dwLineID != speakers_line) {
                result = MIXERR_INVALLINE;
            } else if (controls->dwLineID != cd_line ||
                       controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) {
                result = MIXERR_INVALCONTROL;
            } else {
                describe_volume(controls->pamxctrl);
            }
        } else if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
            if (controls->dwControlID != cd_volume_id) {
                result = MIXERR_INVALCONTROL;
            } else {
                controls->dwLineID = cd_line;
                describe_volume(controls->pamxctrl);
            }
        } else {
            result = MMSYSERR_NOTSUPPORTED;
        }
    }
    plat::Trace trace("mixerGetLineControlsA");
    if (controls != nullptr) {
        trace.sym(field("dwLineID", controls->dwLineID).c_str())
            .sym(field("dwControlType", controls->dwControlType).c_str());
    }
    trace.num(flags).ret(result);
    if (result == MMSYSERR_NOERROR) {
        trace.sym(field("dwControlID", controls->pamxctrl->dwControlID).c_str())
            .sym(field("dwMinimum", controls->pamxctrl->Bounds.dwMinimum).c_str())
            .sym(field("dwMaximum", controls->pamxctrl->Bounds.dwMaximum).c_str());
    }
    return result;
}

MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        result = check_details(mixer, details, flags);
        if (result == MMSYSERR_NOERROR && plat::fault("mixerGetControlDetailsA")) {
            result = MMSYSERR_ERROR;
        }
        if (result == MMSYSERR_NOERROR) {
            static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue = volume_value;
        }
    }
    plat::Trace trace("mixerGetControlDetailsA");
    if (details != nullptr) {
        trace.sym(field("dwControlID", details->dwControlID).c_str());
    }
    trace.num(flags).ret(result);
    if (result == MMSYSERR_NOERROR) {
        trace.sym(field("value", volume_value).c_str());
    }
    return result;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags) {
    MMRESULT result = MMSYSERR_NOERROR;
    DWORD value = 0;
    {
        std::lock_guard<std::mutex> hold(mixer_lock);
        result = check_details(mixer, details, flags);
        if (result == MMSYSERR_NOERROR) {
            value = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
            if (value < volume_minimum || value > volume_maximum) {
                result = MMSYSERR_INVALPARAM;
            } else if (plat::fault("mixerSetControlDetails")) {
                result = MMSYSERR_ERROR;
            } else {
                volume_value = value;
                apply_gain();
            }
        }
    }
    plat::Trace trace("mixerSetControlDetails");
    if (details != nullptr) {
        trace.sym(field("dwControlID", details->dwControlID).c_str());
    }
    trace.sym(field("value", value).c_str()).num(flags).ret(result);
    return result;
}

namespace plat {

void set_mixer_cd_range(DWORD minimum, DWORD maximum) {
    std::lock_guard<std::mutex> hold(mixer_lock);
    volume_minimum = minimum;
    volume_maximum = maximum;
    volume_value = maximum;
    apply_gain();
}

}  // namespace plat
