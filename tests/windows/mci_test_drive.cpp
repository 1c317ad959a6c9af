// The test CD drive (see the header). winmm loads it as any MCI driver:
// DRV_LOAD, a session DRV_OPEN without parameters, then one DRV_OPEN per
// device, which names the device type so that winmm parses command strings
// with its own cdaudio table, then the MCI messages. The replies are a real
// drive's: the mode and true/false as winmm's strings, a track's type as
// this driver's. As in the native stand-in, the laser goes to whole tracks
// only, and however many devices are open there is one drive.
#include "tests/windows/mci_test_drive.h"

#include <windows.h>
// After windows.h, on which the driver kit's header builds.
#include <mmddk.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/wav.h"

namespace {

struct Track {
    std::string bytes;
    WAVEFORMATEX format;
    DWORD data_offset;
    DWORD data_length;
    WAVEHDR header;
};

struct Device {
    DWORD time_format;
};

// The tray, the disc, and the run that plays: one waveOut stream with the
// run's tracks queued back to back, a buffer each.
struct Drive {
    bool loaded = false;
    bool door_open = false;
    bool data_disc = false;
    std::vector<Track> tracks;
    size_t position = 1;
    HWAVEOUT out = nullptr;
    size_t first = 0, last = 0;
} drive;

std::string variable(const char* name) {
    char value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length < sizeof value ? std::string(value, length) : std::string();
}

// A line stamped with QueryPerformanceCounter, in milliseconds.
void note(const std::string& what) {
    FILE* log = fopen(variable(MCI_TEST_DRIVE_LOG).c_str(), "a");
    if (log == nullptr) return;
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    fprintf(log, "%.3f %s\n", 1000.0 * now.QuadPart / frequency.QuadPart, what.c_str());
    fclose(log);
}

size_t track_count() {
    return drive.data_disc ? 1 : drive.tracks.size();
}

bool disc_ready() {
    return !drive.door_open && track_count() > 0;
}

bool played_out(size_t track) {
    return (static_cast<volatile DWORD&>(drive.tracks[track - 1].header.dwFlags) & WHDR_DONE) != 0;
}

// Ends the run there is, after following it: the position stays on the
// track that was heard.
void stop(const char* why) {
    if (drive.out == nullptr) return;
    size_t track = drive.first;
    while (track < drive.last && played_out(track)) ++track;
    drive.position = track;
    if (*why == '\0' && !played_out(drive.last)) return;
    waveOutReset(drive.out);
    for (size_t queued = drive.first; queued <= drive.last; ++queued) {
        waveOutUnprepareHeader(drive.out, &drive.tracks[queued - 1].header, sizeof(WAVEHDR));
    }
    waveOutClose(drive.out);
    drive.out = nullptr;
    note(std::string(*why ? why : "end of the disc") + " at track " + std::to_string(track));
}

// Follows the run: the position is the track being heard, and a run whose
// last track has played out is over.
void follow() {
    stop("");
}

// The disc the process chose, read whole, so that the test may delete it.
void load_disc() {
    drive.tracks.clear();
    drive.position = 1;
    const std::string chosen = variable(MCI_TEST_DISC);
    drive.data_disc = chosen == "data";
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((chosen + "\\*.wav").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE && !chosen.empty(); more;
         more = FindNextFileA(search, &found)) {
        names.push_back(chosen + "\\" + found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(names.begin(), names.end());
    for (size_t i = 0; i < names.size() && i < 99; ++i) {
        Track track{};
        std::ifstream file(names[i], std::ios::binary);
        track.bytes.assign(std::istreambuf_iterator<char>(file), {});
        WAVEFORMATEX* format = nullptr;
        BYTE* data = nullptr;
        if (wav_parse(&track.bytes[0], static_cast<DWORD>(track.bytes.size()), &format, &data,
                      &track.data_length) == 1) {
            wav_whole_format(format, &track.format);
            track.data_offset = static_cast<DWORD>(data - reinterpret_cast<BYTE*>(&track.bytes[0]));
            drive.tracks.push_back(std::move(track));
        }
    }
    note("disc \"" + chosen + "\": " + std::to_string(track_count()) + " tracks");
}

// A run from the track to the end of the disc, or to the last track in the
// same format, which one stream plays without a gap.
MCIERROR play_from(size_t track) {
    stop("stop");
    const WAVEFORMATEX& format = drive.tracks[track - 1].format;
    if (waveOutOpen(&drive.out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        drive.out = nullptr;
        return MCIERR_HARDWARE;
    }
    drive.first = drive.position = track;
    drive.last = track - 1;
    for (size_t next = track; next <= drive.tracks.size(); ++next) {
        Track& queued = drive.tracks[next - 1];
        queued.header = WAVEHDR{};
        queued.header.lpData = &queued.bytes[queued.data_offset];
        queued.header.dwBufferLength = queued.data_length;
        if (memcmp(&queued.format, &format, sizeof format) != 0 ||
            waveOutPrepareHeader(drive.out, &queued.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            break;
        }
        drive.last = next;
        if (waveOutWrite(drive.out, &queued.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) break;
    }
    if (drive.last < track) {
        waveOutClose(drive.out);
        drive.out = nullptr;
        return MCIERR_HARDWARE;
    }
    note("play from track " + std::to_string(track) + " to " + std::to_string(drive.last));
    return 0;
}

LRESULT play(const Device& device, DWORD_PTR flags, const MCI_PLAY_PARMS* parms) {
    // Resuming inside a track is more than this drive does.
    if ((flags & MCI_FROM) == 0 || parms == nullptr) return MCIERR_UNSUPPORTED_FUNCTION;
    if (!disc_ready()) return MCIERR_DEVICE_NOT_READY;
    if (device.time_format != MCI_FORMAT_TMSF || (flags & MCI_TO) != 0) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    const size_t track = MCI_TMSF_TRACK(parms->dwFrom);
    if (track < 1 || track > track_count()) return MCIERR_OUTOFRANGE;
    if ((parms->dwFrom >> 8) != 0) return MCIERR_UNSUPPORTED_FUNCTION;
    return drive.data_disc ? MCIERR_HARDWARE : play_from(track);
}

LRESULT status(DWORD_PTR flags, MCI_STATUS_PARMS* parms) {
    if (parms == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
    if ((flags & MCI_STATUS_ITEM) == 0) return MCIERR_MISSING_PARAMETER;
    follow();
    WORD named = 0;
    if (parms->dwItem == MCI_STATUS_MODE) {
        named = drive.door_open ? MCI_MODE_OPEN
                : !disc_ready() ? MCI_MODE_NOT_READY
                : drive.out     ? MCI_MODE_PLAY
                                : MCI_MODE_STOP;
    } else if (parms->dwItem == MCI_STATUS_MEDIA_PRESENT) {
        named = disc_ready() ? MCI_TRUE : MCI_FALSE;
    } else if (!disc_ready()) {
        return MCIERR_DEVICE_NOT_READY;
    } else if (parms->dwItem == MCI_STATUS_NUMBER_OF_TRACKS) {
        parms->dwReturn = track_count();
        return 0;
    } else if (parms->dwItem == MCI_STATUS_CURRENT_TRACK) {
        parms->dwReturn = drive.position;
        return 0;
    } else if (parms->dwItem != MCI_CDA_STATUS_TYPE_TRACK) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    } else if ((flags & MCI_TRACK) == 0) {
        return MCIERR_MISSING_PARAMETER;
    } else if (parms->dwTrack < 1 || parms->dwTrack > track_count()) {
        return MCIERR_OUTOFRANGE;
    } else {
        // The strings of these two are the driver's own resources.
        const WORD type = drive.data_disc ? MCI_CDA_TRACK_OTHER : MCI_CDA_TRACK_AUDIO;
        parms->dwReturn = static_cast<DWORD_PTR>(MAKEMCIRESOURCE(type, type));
        return MCI_RESOURCE_RETURNED | MCI_RESOURCE_DRIVER;
    }
    const WORD value = parms->dwItem == MCI_STATUS_MODE ? named : named == MCI_TRUE;
    parms->dwReturn = static_cast<DWORD_PTR>(MAKEMCIRESOURCE(value, named));
    return MCI_RESOURCE_RETURNED;
}

LRESULT set(Device& device, DWORD_PTR flags, const MCI_SET_PARMS* parms) {
    const DWORD_PTR door = MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED;
    if ((flags & door) == door) return MCIERR_FLAGS_NOT_COMPATIBLE;
    if ((flags & (door | MCI_SET_TIME_FORMAT)) == 0) return MCIERR_MISSING_PARAMETER;
    if ((flags & MCI_SET_TIME_FORMAT) != 0) {
        if (parms == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
        const DWORD format = parms->dwTimeFormat;
        if (format != MCI_FORMAT_TMSF && format != MCI_FORMAT_MSF &&
            format != MCI_FORMAT_MILLISECONDS) {
            return MCIERR_BAD_TIME_FORMAT;
        }
        device.time_format = format;
    }
    if ((flags & MCI_SET_DOOR_OPEN) != 0) {
        stop("door open");
        drive.door_open = true;
    } else if ((flags & MCI_SET_DOOR_CLOSED) != 0 && drive.door_open) {
        // The tray brings in whatever disc the process chose meanwhile.
        drive.door_open = false;
        load_disc();
    }
    return 0;
}

LRESULT command(Device& device, UINT message, DWORD_PTR flags, LPARAM parms) {
    if (!drive.loaded) {
        drive.loaded = true;
        load_disc();
    }
    switch (message) {
        case MCI_OPEN_DRIVER:
        case MCI_CLOSE_DRIVER:
            return 0;
        case MCI_STATUS:
            return status(flags, reinterpret_cast<MCI_STATUS_PARMS*>(parms));
        case MCI_SET:
            return set(device, flags, reinterpret_cast<MCI_SET_PARMS*>(parms));
        case MCI_PLAY:
            return play(device, flags, reinterpret_cast<MCI_PLAY_PARMS*>(parms));
        case MCI_STOP:
            stop("stop");
            return 0;
        default:
            return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

const LRESULT SESSION = 1;

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    DriverProc(DWORD_PTR id, HDRVR, UINT message, LPARAM first, LPARAM second) {
    static CRITICAL_SECTION lock;
    static const bool lock_made = (InitializeCriticalSection(&lock), true);
    if (message == DRV_LOAD && lock_made) {
        // A disc plays on after its last device closes, as a drive's does:
        // the driver stays loaded while the process lives.
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCSTR>(&DriverProc), &self);
    }
    if (message == DRV_OPEN && second != 0) {
        auto* open = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(second);
        open->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
        open->wType = MCI_DEVTYPE_CD_AUDIO;
        return reinterpret_cast<LRESULT>(new Device{MCI_FORMAT_MSF});
    }
    if (message == DRV_CLOSE && static_cast<LRESULT>(id) != SESSION) {
        delete reinterpret_cast<Device*>(id);
    }
    if (message < DRV_RESERVED) return SESSION;
    if (static_cast<LRESULT>(id) == SESSION) return MCIERR_UNSUPPORTED_FUNCTION;
    EnterCriticalSection(&lock);
    const LRESULT result =
        command(*reinterpret_cast<Device*>(id), message, static_cast<DWORD_PTR>(first), second);
    LeaveCriticalSection(&lock);
    return result;
}
