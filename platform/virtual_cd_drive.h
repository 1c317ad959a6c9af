// The virtual CD drive behind the MCI "cdaudio" device: a tray, a disc from
// the chosen source, and a player that plays from a track to the end of the
// disc at the gain the mixer's CD line sets.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

class CdPlayback;

class VirtualCdDrive {
  public:
    enum class Disc { Absent, None, Audio, Data };

    VirtualCdDrive();
    ~VirtualCdDrive();

    // There is a drive at all.
    bool present();
    // A disc in the closed tray.
    bool disc_ready();
    bool door_open();
    bool playing();
    // Disc questions, for a ready disc.
    size_t track_count();
    bool audio_track(size_t track);
    size_t current_track();

    // Plays from an audio track (1 is the first) to the end of the disc;
    // false when it could not start.
    bool play(size_t track);
    void stop();
    void set_door(bool open);
    void set_gain(double gain);
    void set_source(const char* disc);

  private:
    void load_source();
    // Forgets a run that reached the end of the disc.
    void reap();

    std::mutex lock_;
    // The host's choice of disc; SKYTUNE_CD when empty.
    std::string chosen_;
    bool loaded_ = false;
    Disc disc_ = Disc::None;
    std::vector<std::string> tracks_;
    bool door_open_ = false;
    size_t position_ = 1;
    double gain_ = 1.0;
    std::unique_ptr<CdPlayback> playback_;
};

VirtualCdDrive& cd_drive();

}  // namespace plat
