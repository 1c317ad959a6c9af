// The virtual CD drive: a disc from a folder of sound files (its tracks,
// in name order), the demo disc, an empty drive, a data disc or no drive at
// all; a tray; and one run at a time from a whole track to the end of the
// disc. Every track is an audio track of a folder disc, the one track of a
// data disc is not; there is no table of contents to read, no seeking
// inside a track, and no second drive.
#include "platform/virtual_cd_drive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/cd_playback.h"
#include "platform/native/standin.h"

#ifndef SKYTUNE_DEMO_DISC
#define SKYTUNE_DEMO_DISC ""
#endif

namespace plat {

namespace {

// A run ends before the command that ended it returns, as a drive's
// stop does.
void retire(std::unique_ptr<CdPlayback> playback) {
    playback.reset();
}

// A CD holds at most 99 tracks.
constexpr size_t max_tracks = 99;

// What lies beside the tracks in a music folder: covers, notes, playlists.
bool companion_file(const std::filesystem::path& path) {
    static const char* const kinds[] = {".jpg", ".jpeg", ".png",  ".gif", ".bmp", ".txt",
                                        ".nfo", ".m3u",  ".m3u8", ".pls", ".cue", ".log",
                                        ".pdf", ".ini",  ".db",   ".xml", ".json"};
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
    for (const char* kind : kinds) {
        if (extension == kind) {
            return true;
        }
    }
    return false;
}

// The disc's tracks: the folder's visible files in name order, but for the
// companions of music files, which would stop a run when their turn came.
std::vector<std::string> folder_tracks(const std::string& folder) {
    std::vector<std::string> tracks;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (!name.empty() && name[0] != '.' && entry.is_regular_file(error) &&
            !companion_file(entry.path())) {
            tracks.push_back(entry.path().string());
        }
    }
    std::sort(tracks.begin(), tracks.end());
    if (tracks.size() > max_tracks) {
        tracks.resize(max_tracks);
    }
    return tracks;
}

}  // namespace

VirtualCdDrive::VirtualCdDrive() = default;
VirtualCdDrive::~VirtualCdDrive() = default;

VirtualCdDrive& cd_drive() {
    // Never destroyed: a disc may still be playing while the process ends.
    static VirtualCdDrive* drive = new VirtualCdDrive;
    return *drive;
}

void set_cd_source(const char* disc) {
    cd_drive().set_source(disc != nullptr ? disc : "demo");
}

void VirtualCdDrive::load_source() {
    if (loaded_) {
        return;
    }
    std::string choice = chosen_;
    if (choice.empty()) {
        const char* variable = getenv("SKYTUNE_CD");
        choice = variable != nullptr && *variable != '\0' ? variable : "demo";
    }
    loaded_ = true;
    retire(std::move(playback_));
    door_open_ = false;
    position_ = 1;
    tracks_.clear();
    if (choice == "absent") {
        disc_ = Disc::Absent;
        return;
    }
    if (choice == "none") {
        disc_ = Disc::None;
        return;
    }
    if (choice == "data") {
        disc_ = Disc::Data;
        return;
    }
    std::string folder = choice == "demo" ? SKYTUNE_DEMO_DISC : native_path(choice.c_str());
    tracks_ = folder_tracks(folder);
    disc_ = tracks_.empty() ? Disc::None : Disc::Audio;
    if (tracks_.empty()) {
        fprintf(stderr, "skytune: no tracks in %s: the CD drive is empty\n", folder.c_str());
    }
}

void VirtualCdDrive::set_source(const char* disc) {
    std::lock_guard<std::mutex> hold(lock_);
    chosen_ = *disc != '\0' ? disc : "demo";
    loaded_ = false;
    load_source();
}

void VirtualCdDrive::reap() {
    load_source();
    if (playback_ && !playback_->running()) {
        position_ = playback_->track() + 1;
        retire(std::move(playback_));
    }
}

bool VirtualCdDrive::present() {
    std::lock_guard<std::mutex> hold(lock_);
    load_source();
    return disc_ != Disc::Absent;
}

bool VirtualCdDrive::disc_ready() {
    std::lock_guard<std::mutex> hold(lock_);
    load_source();
    return !door_open_ && (disc_ == Disc::Audio || disc_ == Disc::Data);
}

bool VirtualCdDrive::door_open() {
    std::lock_guard<std::mutex> hold(lock_);
    load_source();
    return door_open_;
}

bool VirtualCdDrive::playing() {
    std::lock_guard<std::mutex> hold(lock_);
    reap();
    return playback_ != nullptr;
}

size_t VirtualCdDrive::track_count() {
    std::lock_guard<std::mutex> hold(lock_);
    load_source();
    return disc_ == Disc::Data ? 1 : tracks_.size();
}

bool VirtualCdDrive::audio_track(size_t) {
    std::lock_guard<std::mutex> hold(lock_);
    load_source();
    return disc_ == Disc::Audio;
}

size_t VirtualCdDrive::current_track() {
    std::lock_guard<std::mutex> hold(lock_);
    reap();
    return playback_ ? playback_->track() + 1 : position_;
}

bool VirtualCdDrive::play(size_t track) {
    std::lock_guard<std::mutex> hold(lock_);
    reap();
    if (disc_ != Disc::Audio || door_open_ || track < 1 || track > tracks_.size()) {
        return false;
    }
    retire(std::move(playback_));
    position_ = track;
    playback_ = std::make_unique<CdPlayback>(tracks_, track - 1, gain_);
    if (!playback_->started()) {
        retire(std::move(playback_));
        return false;
    }
    return true;
}

void VirtualCdDrive::stop() {
    std::lock_guard<std::mutex> hold(lock_);
    reap();
    if (playback_) {
        position_ = playback_->track() + 1;
        retire(std::move(playback_));
    }
}

void VirtualCdDrive::set_door(bool open) {
    std::lock_guard<std::mutex> hold(lock_);
    reap();
    if (open) {
        // The disc leaves the laser: play ends.
        retire(std::move(playback_));
    } else if (door_open_) {
        position_ = 1;
    }
    door_open_ = open;
}

void VirtualCdDrive::set_gain(double gain) {
    std::lock_guard<std::mutex> hold(lock_);
    gain_ = gain;
    if (playback_) {
        playback_->set_gain(gain);
    }
}

}  // namespace plat
