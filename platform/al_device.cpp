// The OpenAL device, its capture file and the ten-millisecond feeding of
// streaming buffers.
#include "platform/al_device.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>

#include "platform/first_sound.h"
#include "platform/native/standin.h"

namespace plat {

std::mutex al_lock;

namespace {

// The loopback device's output, which is also the capture file's format.
constexpr int CAPTURE_RATE = 44100;
constexpr int RENDER_FRAMES = CAPTURE_RATE / 100;  // 10 ms a step

// The devices open now. A process may end while a thread of the module
// still holds one, or still works a buffer (a thread that its end did not
// wait for): before OpenAL's own clean-up at exit pulls its state from
// under them, the renderers stop, and the OpenAL lock is taken for good,
// so that no other thread reaches OpenAL from then on.
std::mutex open_devices_lock;
std::set<AlDevice*> open_devices;

void stop_open_devices() {
    {
        std::lock_guard<std::mutex> hold(open_devices_lock);
        for (AlDevice* device : open_devices) {
            device->stop_feeding();
        }
    }
    al_lock.lock();
}

void put_le32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

CaptureFile::CaptureFile(const std::string& path, int channels, int rate)
    : path_(path), channels_(channels), rate_(rate), file_(fopen(path.c_str(), "wb")) {
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0,   0,   0,   0, 'W', 'A', 'V',
                                'E', 'f', 'm', 't', ' ', 16,  0,   0, 0,   1,   0,
                                1,   0,   0,   0,   0,   0,   0,   0, 0,   0,   2,
                                0,   16,  0,   'd', 'a', 't', 'a', 0, 0,   0,   0};
    header[22] = static_cast<unsigned char>(channels);
    header[32] = static_cast<unsigned char>(channels * 2);
    put_le32(header + 24, static_cast<uint32_t>(rate));
    put_le32(header + 28, static_cast<uint32_t>(rate * channels * 2));
    if (file_ != nullptr) {
        fwrite(header, 1, sizeof header, file_);
    }
}

CaptureFile::~CaptureFile() {
    if (file_ == nullptr) {
        return;
    }
    unsigned char size[4];
    put_le32(size, 36 + data_bytes_);
    fseek(file_, 4, SEEK_SET);
    fwrite(size, 1, 4, file_);
    put_le32(size, data_bytes_);
    fseek(file_, 40, SEEK_SET);
    fwrite(size, 1, 4, file_);
    fclose(file_);
}

void CaptureFile::write(const int16_t* samples, size_t count) {
    if (file_ != nullptr) {
        fwrite(samples, sizeof(int16_t), count, file_);
        data_bytes_ += static_cast<uint32_t>(count * sizeof(int16_t));
    }
    if (!heard_) {
        heard_ = note_first_sound(path_, samples, count, channels_, rate_);
    }
}

std::shared_ptr<AlDevice> AlDevice::open() {
    auto device = std::shared_ptr<AlDevice>(new AlDevice);
    return device->context_ != nullptr ? device : nullptr;
}

AlDevice::AlDevice() {
    static std::once_flag exit_handler;
    std::call_once(exit_handler, [] { std::atexit(stop_open_devices); });
    {
        std::lock_guard<std::mutex> hold(open_devices_lock);
        open_devices.insert(this);
    }
    SinkKind kind = audio_sink_kind();
    if (kind == SinkKind::Real) {
        device_ = alcOpenDevice(nullptr);
        if (device_ != nullptr) {
            context_ = alcCreateContext(device_, nullptr);
        }
        if (context_ != nullptr) {
            pump_ = std::thread([this] { pump(); });
        }
        return;
    }
    device_ = alcLoopbackOpenDeviceSOFT(nullptr);
    if (device_ == nullptr) {
        return;
    }
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_MONO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 CAPTURE_RATE,
                                 ALC_HRTF_SOFT,
                                 ALC_FALSE,
                                 ALC_OUTPUT_LIMITER_SOFT,
                                 ALC_FALSE,
                                 0};
    context_ = alcCreateContext(device_, attributes);
    if (context_ == nullptr) {
        return;
    }
    if (kind == SinkKind::Wav) {
        capture_ = std::make_unique<CaptureFile>(audio_capture_path("sound"), 1, CAPTURE_RATE);
    }
    renderer_ = std::thread([this] { render(); });
}

AlDevice::~AlDevice() {
    {
        std::lock_guard<std::mutex> hold(open_devices_lock);
        open_devices.erase(this);
    }
    stop_feeding();
    std::lock_guard<std::mutex> hold(al_lock);
    if (context_ != nullptr) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
    }
    if (device_ != nullptr) {
        alcCloseDevice(device_);
    }
}

void AlDevice::stop_feeding() {
    stop_ = true;
    if (renderer_.joinable() && renderer_.get_id() != std::this_thread::get_id()) {
        renderer_.join();
    }
    if (pump_.joinable() && pump_.get_id() != std::this_thread::get_id()) {
        pump_.join();
    }
}

void AlDevice::add_fed(AlFed* fed) {
    fed_.push_back(fed);
}

void AlDevice::remove_fed(AlFed* fed) {
    fed_.erase(std::remove(fed_.begin(), fed_.end(), fed), fed_.end());
}

void AlDevice::feed_all() {
    std::lock_guard<std::mutex> hold(al_lock);
    if (fed_.empty()) {
        return;
    }
    use();
    for (AlFed* fed : fed_) {
        fed->feed();
    }
}

// Renders in steps of 10 ms, each when its time has come, so that the
// capture holds what a listener would have heard; the streaming buffers
// are fed just before each step.
void AlDevice::render() {
    std::vector<int16_t> samples(RENDER_FRAMES);
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        feed_all();
        alcRenderSamplesSOFT(device_, samples.data(), RENDER_FRAMES);
        if (capture_) {
            capture_->write(samples.data(), samples.size());
        }
    }
}

// For the speakers, which OpenAL renders on its own.
void AlDevice::pump() {
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        feed_all();
    }
}

}  // namespace plat
