// The media control interface's "cdaudio" device over the virtual CD drive:
// the command strings and command messages the CD player sends, with the
// platform's device identifiers, replies and error codes. Other devices do
// not open; commands, items and time formats the radio never sends, and a
// play that does not start at a whole track, are refused with the MCI
// errors the platform gives for them.
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/native/standin.h"
#include "platform/virtual_cd_drive.h"
#include "platform/win32.h"

namespace {

struct OpenDevice {
    std::string alias;
    DWORD time_format;
};

std::mutex devices_lock;
std::map<MCIDEVICEID, OpenDevice> devices;

const char device_type[] = "cdaudio";

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Identifiers are handed out lowest free first, so a device closed and
// opened again gets its old identifier back.
MCIDEVICEID free_id() {
    MCIDEVICEID id = 1;
    while (devices.count(id) != 0) {
        ++id;
    }
    return id;
}

OpenDevice* by_alias(const std::string& name) {
    for (auto& [id, device] : devices) {
        if (device.alias == lower(name)) {
            return &device;
        }
    }
    return nullptr;
}

MCIERROR open_device(const std::string& type, const std::string& alias, MCIDEVICEID* id) {
    if (lower(type) != device_type) {
        return MCIERR_INVALID_DEVICE_NAME;
    }
    if (!plat::cd_drive().present()) {
        return MCIERR_CANNOT_LOAD_DRIVER;
    }
    if (by_alias(alias) != nullptr) {
        return MCIERR_DEVICE_OPEN;
    }
    *id = free_id();
    // A CD device starts out counting in minutes, seconds and frames.
    devices[*id] = OpenDevice{lower(alias), MCI_FORMAT_MSF};
    return 0;
}

MCIERROR set_time_format(OpenDevice& device, DWORD format) {
    if (format != MCI_FORMAT_TMSF && format != MCI_FORMAT_MSF &&
        format != MCI_FORMAT_MILLISECONDS) {
        return MCIERR_BAD_TIME_FORMAT;
    }
    device.time_format = format;
    return 0;
}

MCIERROR set_door(bool open) {
    plat::cd_drive().set_door(open);
    return 0;
}

// Positions are whole tracks: the drive starts a run at a track's start.
MCIERROR play_from(const OpenDevice& device, DWORD from) {
    plat::VirtualCdDrive& drive = plat::cd_drive();
    if (!drive.disc_ready()) {
        return MCIERR_DEVICE_NOT_READY;
    }
    if (device.time_format != MCI_FORMAT_TMSF) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    size_t track = from & 0xFF;
    if (track < 1 || track > drive.track_count()) {
        return MCIERR_OUTOFRANGE;
    }
    if ((from >> 8) != 0) {
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    if (!drive.audio_track(track)) {
        return MCIERR_HARDWARE;
    }
    return drive.play(track) ? 0 : MCIERR_HARDWARE;
}

// A number as MCI writes one: decimal, or t:m:s:f fields packed low first.
bool parse_position(const std::string& text, DWORD* value) {
    if (text.find(':') == std::string::npos) {
        if (text.empty() || text.size() > 10 ||
            text.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        unsigned long long number = std::stoull(text);
        if (number > 0xFFFFFFFFull) {
            return false;
        }
        *value = static_cast<DWORD>(number);
        return true;
    }
    DWORD packed = 0;
    int shift = 0;
    std::stringstream fields(text);
    std::string field;
    while (std::getline(fields, field, ':')) {
        if (shift > 24 || field.empty() || field.size() > 3 ||
            field.find_first_not_of("0123456789") != std::string::npos || std::stoi(field) > 255) {
            return false;
        }
        packed |= static_cast<DWORD>(std::stoi(field)) << shift;
        shift += 8;
    }
    *value = packed;
    return true;
}

bool parse_track(const std::string& text, size_t* track) {
    DWORD value = 0;
    if (text.find(':') != std::string::npos || !parse_position(text, &value)) {
        return false;
    }
    *track = value;
    return true;
}

MCIERROR status(const OpenDevice& device, const std::vector<std::string>& words,
                std::string* reply) {
    plat::VirtualCdDrive& drive = plat::cd_drive();
    std::string item;
    for (const std::string& word : words) {
        item += (item.empty() ? "" : " ") + lower(word);
    }
    if (item.empty()) {
        return MCIERR_MISSING_PARAMETER;
    }
    if (item == "mode") {
        *reply = drive.door_open()     ? "open"
                 : !drive.disc_ready() ? "not ready"
                 : drive.playing()     ? "playing"
                                       : "stopped";
        return 0;
    }
    if (item == "media present") {
        *reply = drive.disc_ready() ? "true" : "false";
        return 0;
    }
    if (item == "time format") {
        *reply = device.time_format == MCI_FORMAT_TMSF  ? "tmsf"
                 : device.time_format == MCI_FORMAT_MSF ? "msf"
                                                        : "milliseconds";
        return 0;
    }
    bool type_query = words.size() == 3 && item.rfind("type track ", 0) == 0;
    if (item != "number of tracks" && item != "current track" && !type_query) {
        return item == "type track" ? MCIERR_MISSING_PARAMETER : MCIERR_UNRECOGNIZED_KEYWORD;
    }
    size_t track = 0;
    if (type_query && !parse_track(words[2], &track)) {
        return MCIERR_BAD_INTEGER;
    }
    if (!drive.disc_ready()) {
        return MCIERR_DEVICE_NOT_READY;
    }
    if (item == "number of tracks") {
        *reply = std::to_string(drive.track_count());
    } else if (item == "current track") {
        *reply = std::to_string(drive.current_track());
    } else if (track < 1 || track > drive.track_count()) {
        return MCIERR_OUTOFRANGE;
    } else {
        *reply = drive.audio_track(track) ? "audio" : "other";
    }
    return 0;
}

MCIERROR set(OpenDevice& device, const std::vector<std::string>& words) {
    if (words.empty()) {
        return MCIERR_MISSING_PARAMETER;
    }
    std::string what = lower(words[0]);
    if (what == "time" && words.size() == 3 && lower(words[1]) == "format") {
        std::string format = lower(words[2]);
        if (format == "tmsf") {
            return set_time_format(device, MCI_FORMAT_TMSF);
        }
        if (format == "msf") {
            return set_time_format(device, MCI_FORMAT_MSF);
        }
        if (format == "milliseconds" || format == "ms") {
            return set_time_format(device, MCI_FORMAT_MILLISECONDS);
        }
        return MCIERR_BAD_TIME_FORMAT;
    }
    if (what == "door" && words.size() == 2 && lower(words[1]) == "open") {
        return set_door(true);
    }
    if (what == "door" && words.size() == 2 && lower(words[1]) == "closed") {
        return set_door(false);
    }
    return MCIERR_UNRECOGNIZED_KEYWORD;
}

MCIERROR play(const OpenDevice& device, const std::vector<std::string>& words) {
    if (words.empty()) {
        // Resuming inside a track is more than this drive does.
        return MCIERR_UNSUPPORTED_FUNCTION;
    }
    if (lower(words[0]) != "from") {
        return MCIERR_UNRECOGNIZED_KEYWORD;
    }
    if (words.size() < 2) {
        return MCIERR_MISSING_PARAMETER;
    }
    if (words.size() > 2) {
        return MCIERR_UNRECOGNIZED_KEYWORD;
    }
    DWORD from = 0;
    if (!parse_position(words[1], &from)) {
        return MCIERR_BAD_INTEGER;
    }
    return play_from(device, from);
}

MCIERROR send_string(const std::string& command, std::string* reply) {
    std::vector<std::string> words;
    std::stringstream split(command);
    for (std::string word; split >> word;) {
        words.push_back(word);
    }
    if (words.empty()) {
        return MCIERR_MISSING_COMMAND_STRING;
    }
    std::string verb = lower(words[0]);
    if (verb != "open" && verb != "close" && verb != "stop" && verb != "set" && verb != "status" &&
        verb != "play") {
        return MCIERR_UNRECOGNIZED_COMMAND;
    }
    if (words.size() < 2) {
        return MCIERR_MISSING_DEVICE_NAME;
    }
    std::string name = words[1];
    std::vector<std::string> rest(words.begin() + 2, words.end());

    if (verb == "open") {
        if (!rest.empty()) {
            return MCIERR_UNRECOGNIZED_KEYWORD;
        }
        MCIDEVICEID id = 0;
        MCIERROR error = open_device(name, name, &id);
        if (error == 0) {
            *reply = std::to_string(id);
        }
        return error;
    }

    OpenDevice* device = by_alias(name);
    if (verb == "close") {
        if (device == nullptr) {
            return MCIERR_INVALID_DEVICE_NAME;
        }
        if (!rest.empty()) {
            return MCIERR_UNRECOGNIZED_KEYWORD;
        }
        for (auto it = devices.begin(); it != devices.end(); ++it) {
            if (&it->second == device) {
                devices.erase(it);
                break;
            }
        }
        return 0;
    }

    // A command to a device type that is not open opens it for that command
    // alone, with the device's first settings.
    OpenDevice automatic{device_type, MCI_FORMAT_MSF};
    if (device == nullptr) {
        if (lower(name) != device_type) {
            return MCIERR_INVALID_DEVICE_NAME;
        }
        if (!plat::cd_drive().present()) {
            return MCIERR_CANNOT_LOAD_DRIVER;
        }
        device = &automatic;
    }
    if (verb == "stop") {
        if (!rest.empty()) {
            return MCIERR_UNRECOGNIZED_KEYWORD;
        }
        plat::cd_drive().stop();
        return 0;
    }
    if (verb == "set") {
        return set(*device, rest);
    }
    if (verb == "status") {
        return status(*device, rest, reply);
    }
    return play(*device, rest);
}

// The names of a message's flags; the same bit means another flag in another
// message.
std::string flag_names(UINT message, DWORD_PTR flags) {
    static const std::pair<DWORD_PTR, const char*> common[] = {
        {MCI_NOTIFY, "MCI_NOTIFY"},
        {MCI_WAIT, "MCI_WAIT"},
    };
    static const std::pair<DWORD_PTR, const char*> open[] = {
        {MCI_OPEN_TYPE, "MCI_OPEN_TYPE"},
        {MCI_OPEN_ALIAS, "MCI_OPEN_ALIAS"},
    };
    static const std::pair<DWORD_PTR, const char*> set[] = {
        {MCI_SET_DOOR_OPEN, "MCI_SET_DOOR_OPEN"},
        {MCI_SET_DOOR_CLOSED, "MCI_SET_DOOR_CLOSED"},
        {MCI_SET_TIME_FORMAT, "MCI_SET_TIME_FORMAT"},
    };
    if (flags == 0) {
        return "0";
    }
    std::string text;
    auto name_bits = [&](const auto& names) {
        for (const auto& [bit, name] : names) {
            if ((flags & bit) != 0) {
                text += (text.empty() ? "" : "|") + std::string(name);
                flags &= ~bit;
            }
        }
    };
    name_bits(common);
    if (message == MCI_OPEN) {
        name_bits(open);
    } else if (message == MCI_SET) {
        name_bits(set);
    }
    if (flags != 0) {
        text += (text.empty() ? "" : "|") + std::to_string(flags);
    }
    return text;
}

const char* message_name(UINT message) {
    switch (message) {
        case MCI_OPEN:
            return "MCI_OPEN";
        case MCI_CLOSE:
            return "MCI_CLOSE";
        case MCI_PLAY:
            return "MCI_PLAY";
        case MCI_STOP:
            return "MCI_STOP";
        case MCI_SET:
            return "MCI_SET";
        case MCI_STATUS:
            return "MCI_STATUS";
        default:
            return nullptr;
    }
}

MCIERROR send_command(MCIDEVICEID id, UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
    const DWORD_PTR quiet = MCI_WAIT;
    if (message == MCI_OPEN) {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(parameters);
        if (open == nullptr) {
            return MCIERR_NULL_PARAMETER_BLOCK;
        }
        if ((flags & MCI_OPEN_TYPE) == 0 ||
            (flags & ~(MCI_OPEN_TYPE | MCI_OPEN_ALIAS | quiet)) != 0 ||
            open->lpstrDeviceType == nullptr) {
            return MCIERR_UNSUPPORTED_FUNCTION;
        }
        const char* alias = (flags & MCI_OPEN_ALIAS) != 0 && open->lpstrAlias != nullptr
                                ? open->lpstrAlias
                                : open->lpstrDeviceType;
        MCIDEVICEID opened = 0;
        MCIERROR error = open_device(open->lpstrDeviceType, alias, &opened);
        if (error == 0) {
            open->wDeviceID = opened;
        }
        return error;
    }
    auto found = devices.find(id);
    if (found == devices.end()) {
        return MCIERR_INVALID_DEVICE_ID;
    }
    switch (message) {
        case MCI_CLOSE:
            devices.erase(found);
            return 0;
        case MCI_STOP:
            plat::cd_drive().stop();
            return 0;
        case MCI_SET: {
            const DWORD_PTR door = MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED;
            if ((flags & door) == door) {
                return MCIERR_FLAGS_NOT_COMPATIBLE;
            }
            if ((flags & ~(door | MCI_SET_TIME_FORMAT | quiet)) != 0) {
                return MCIERR_UNSUPPORTED_FUNCTION;
            }
            if ((flags & (door | MCI_SET_TIME_FORMAT)) == 0) {
                return MCIERR_MISSING_PARAMETER;
            }
            if ((flags & MCI_SET_TIME_FORMAT) != 0) {
                auto* set_parms = reinterpret_cast<MCI_SET_PARMS*>(parameters);
                if (set_parms == nullptr) {
                    return MCIERR_NULL_PARAMETER_BLOCK;
                }
                MCIERROR error = set_time_format(found->second, set_parms->dwTimeFormat);
                if (error != 0) {
                    return error;
                }
            }
            if ((flags & door) != 0) {
                set_door((flags & MCI_SET_DOOR_OPEN) != 0);
            }
            return 0;
        }
        default:
            return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

}  // namespace

MCIERROR mciSendStringA(LPCSTR command, LPSTR reply, UINT reply_size, HWND) {
    std::string text;
    MCIERROR error = 0;
    if (command == nullptr) {
        error = MCIERR_MISSING_COMMAND_STRING;
    } else {
        // A fault can name every command, a verb, or one whole command.
        std::string verb;
        std::stringstream(command) >> verb;
        if (plat::fault("mciSendStringA") ||
            plat::fault(("mciSendStringA:" + lower(verb)).c_str()) ||
            plat::fault(("mciSendStringA:" + lower(command)).c_str())) {
            error = MCIERR_HARDWARE;
        } else {
            std::lock_guard<std::mutex> hold(devices_lock);
            error = send_string(command, &text);
        }
    }
    if (reply != nullptr && reply_size > 0) {
        if (error == 0 && text.size() + 1 > reply_size) {
            error = MCIERR_PARAM_OVERFLOW;
        }
        if (error == 0) {
            memcpy(reply, text.c_str(), text.size() + 1);
        } else {
            reply[0] = '\0';
        }
    }
    plat::Trace trace("mciSendStringA");
    trace.str(command);
    if (reply != nullptr) {
        trace.num(reply_size);
    }
    trace.ret(error);
    if (reply != nullptr && reply_size > 0 && error == 0) {
        trace.str(reply);
    }
    return error;
}

MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters) {
    plat::Trace trace("mciSendCommandA");
    const char* name = message_name(message);
    trace.num(device);
    if (name != nullptr) {
        trace.sym(name);
    } else {
        trace.num(message);
    }
    trace.sym(flag_names(message, flags).c_str());
    if (message == MCI_OPEN && parameters != 0 && (flags & MCI_OPEN_TYPE) != 0) {
        trace.str(reinterpret_cast<MCI_OPEN_PARMSA*>(parameters)->lpstrDeviceType);
    }
    if (message == MCI_SET && parameters != 0 && (flags & MCI_SET_TIME_FORMAT) != 0) {
        trace.num(reinterpret_cast<MCI_SET_PARMS*>(parameters)->dwTimeFormat);
    }
    MCIERROR error = 0;
    if (plat::fault("mciSendCommandA") ||
        (name != nullptr && plat::fault((std::string("mciSendCommandA:") + name).c_str()))) {
        error = MCIERR_HARDWARE;
    } else {
        std::lock_guard<std::mutex> hold(devices_lock);
        error = send_command(device, message, flags, parameters);
    }
    trace.ret(error);
    if (message == MCI_OPEN && error == 0) {
        trace.num(reinterpret_cast<MCI_OPEN_PARMSA*>(parameters)->wDeviceID);
    }
    return error;
}
