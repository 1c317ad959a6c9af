// The OpenAL device behind DirectSound: for the speakers the default
// output; for the silent and the capturing sinks a loopback device that a
// thread renders in real time, into a WAV file or nowhere. Every ten
// milliseconds the device also feeds its streaming buffers (on the render
// thread, or on a pump thread of its own for the speakers), so that what
// they play moves on in real time whether or not anyone writes to them.
#pragma once

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat {

// OpenAL's current context is one per process; every use takes this lock.
extern std::mutex al_lock;

// A 16-bit PCM WAV file that grows as sound is written to it, noting its
// first sound (first_sound.h).
class CaptureFile {
  public:
    CaptureFile(const std::string& path, int channels, int rate);
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    void write(const int16_t* samples, size_t count);

  private:
    std::string path_;
    int channels_;
    int rate_;
    bool heard_ = false;
    FILE* file_;
    uint32_t data_bytes_ = 0;
};

// What the device feeds every ten milliseconds, with al_lock held and the
// device's context current.
class AlFed {
  public:
    virtual void feed() = 0;

  protected:
    ~AlFed() = default;
};

// An open OpenAL device and its context; shared by the DirectSound object
// and every buffer made from it, and closed with the last of them.
class AlDevice {
  public:
    static std::shared_ptr<AlDevice> open();
    ~AlDevice();
    AlDevice(const AlDevice&) = delete;
    AlDevice& operator=(const AlDevice&) = delete;

    // Makes this device's context current for the holder of al_lock.
    void use() { alcMakeContextCurrent(context_); }
    // With al_lock held: fed from now on, or no longer.
    void add_fed(AlFed* fed);
    void remove_fed(AlFed* fed);
    // Ends the rendering (and feeding) thread.
    void stop_feeding();

  private:
    AlDevice();
    void render();
    void pump();
    void feed_all();

    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    std::unique_ptr<CaptureFile> capture_;
    std::thread renderer_;
    std::thread pump_;
    std::atomic<bool> stop_{false};
    std::vector<AlFed*> fed_;
};

}  // namespace plat
