// DirectSound 8 over OpenAL Soft: a device is an OpenAL context
// (al_device.h), a static secondary buffer an OpenAL buffer and source, a
// streaming one a queue that the device feeds from it (streaming_buffer.h).
// Offered: the default device and secondary buffers of 8- or 16-bit mono
// or stereo PCM, with a volume control when asked for at creation.
// Refused with DirectSound's errors: other devices, a primary buffer,
// aggregation, other formats and rates, and a control not asked for.
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/al_device.h"
#include "platform/buffer_lock.h"
#include "platform/com_object.h"
#include "platform/native/com_classes.h"
#include "platform/native/dsound.h"
#include "platform/native/standin.h"
#include "platform/streaming_buffer.h"

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const CLSID CLSID_DirectSound8 = {
    0x3901CC3F, 0x84B5, 0x4FA4, {0xBA, 0x35, 0xAA, 0x81, 0x72, 0xB8, 0xA0, 0x9B}};
const IID IID_IDirectSound8 = {
    0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
const IID IID_IDirectSoundBuffer = {
    0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace plat {

ALfloat gain_from_volume(LONG volume) {
    return volume <= DSBVOLUME_MIN ? 0.0f : static_cast<ALfloat>(std::pow(10.0, volume / 2000.0));
}

}  // namespace plat

namespace {

using plat::al_lock;
using plat::AlDevice;
using plat::gain_from_volume;

constexpr DWORD FREQUENCY_MIN = 100;
constexpr DWORD FREQUENCY_MAX = 200000;

class SoundBuffer final : public plat::SingleInterface<IDirectSoundBuffer, SoundBuffer> {
  public:
    SoundBuffer(std::shared_ptr<AlDevice> device, DWORD flags, DWORD bytes, ALenum format,
                DWORD rate, DWORD block)
        : SingleInterface("IDirectSoundBuffer", IID_IDirectSoundBuffer),
          device_(std::move(device)),
          flags_(flags),
          data_(bytes, 0),
          format_(format),
          rate_(rate),
          block_(block) {
        std::lock_guard<std::mutex> hold(al_lock);
        device_->use();
        alGenBuffers(1, &buffer_);
        alGenSources(1, &source_);
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source_, AL_POSITION, 0, 0, 0);
        upload();
    }

    bool good() const { return buffer_ != 0 && source_ != 0; }

    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        HRESULT result = status == nullptr ? DSERR_INVALIDPARAM : DS_OK;
        DWORD value = 0;
        if (status != nullptr) {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            ALint state = AL_STOPPED;
            alGetSourcei(source_, AL_SOURCE_STATE, &state);
            if (state == AL_PLAYING) {
                value = DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
            }
            *status = value;
        }
        plat::Trace("IDirectSoundBuffer::GetStatus").ret(result).num(value);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        HRESULT result = DS_OK;
        ALint offset = 0;
        if (plat::fault("IDirectSoundBuffer::GetCurrentPosition")) {
            result = DSERR_INVALIDCALL;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
        }
        // A static buffer is the device's whole: it may be written anywhere
        // but where it plays.
        if (play != nullptr) {
            *play = static_cast<DWORD>(offset);
        }
        if (write != nullptr) {
            *write = static_cast<DWORD>(offset);
        }
        plat::Trace("IDirectSoundBuffer::GetCurrentPosition").ret(result).num(offset);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                                   LPVOID* audio2, LPDWORD bytes2, DWORD flags) override {
        plat::Trace trace("IDirectSoundBuffer::Lock");
        trace.num(offset).num(bytes).num(flags);
        DWORD size = static_cast<DWORD>(data_.size());
        if (flags & DSBLOCK_ENTIREBUFFER) {
            offset = 0;
            bytes = size;
        }
        HRESULT result = DS_OK;
        if (audio1 == nullptr || bytes1 == nullptr || bytes == 0 || bytes > size ||
            offset >= size) {
            result = DSERR_INVALIDPARAM;
        } else if (plat::fault("IDirectSoundBuffer::Lock")) {
            result = DSERR_INVALIDCALL;
        }
        DWORD first = 0;
        DWORD second = 0;
        if (result == DS_OK) {
            // A lock that runs past the end wraps to the start.
            first = std::min(bytes, size - offset);
            second = audio2 != nullptr ? bytes - first : 0;
        }
        plat::hand_out_lock(result, data_.data() + offset, first, data_.data(), second, audio1,
                            bytes1, audio2, bytes2);
        trace.ret(result).num(first).num(second);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2,
                                     DWORD bytes2) override {
        const auto* begin = data_.data();
        const auto* end = begin + data_.size();
        auto inside = [&](LPVOID at, DWORD bytes) {
            const auto* p = static_cast<const unsigned char*>(at);
            return bytes == 0 || (p >= begin && p + bytes <= end);
        };
        HRESULT result = DS_OK;
        if (plat::fault("IDirectSoundBuffer::Unlock")) {
            result = DSERR_INVALIDCALL;
        } else if (!inside(audio1, bytes1) || !inside(audio2, bytes2)) {
            result = DSERR_INVALIDPARAM;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            upload();
        }
        plat::Trace("IDirectSoundBuffer::Unlock").num(bytes1).num(bytes2).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD flags) override {
        HRESULT result = DS_OK;
        if (reserved != 0) {
            result = DSERR_INVALIDPARAM;
        } else if (plat::fault("IDirectSoundBuffer::Play")) {
            result = DSERR_BUFFERLOST;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            looping_ = (flags & DSBPLAY_LOOPING) != 0;
            alSourcei(source_, AL_LOOPING, looping_ ? AL_TRUE : AL_FALSE);
            ALint state = AL_STOPPED;
            alGetSourcei(source_, AL_SOURCE_STATE, &state);
            // A buffer that still plays goes on from where it is.
            if (state != AL_PLAYING) {
                alSourcePlay(source_);
            }
        }
        plat::Trace("IDirectSoundBuffer::Play").num(reserved).num(priority).num(flags).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        HRESULT result = DS_OK;
        if (position >= data_.size()) {
            result = DSERR_INVALIDPARAM;
        } else if (plat::fault("IDirectSoundBuffer::SetCurrentPosition")) {
            result = DSERR_INVALIDCALL;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            alSourcei(source_, AL_BYTE_OFFSET, static_cast<ALint>(position - position % block_));
        }
        plat::Trace("IDirectSoundBuffer::SetCurrentPosition").num(position).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
        HRESULT result = DS_OK;
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) {
            result = DSERR_CONTROLUNAVAIL;
        } else if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) {
            result = DSERR_INVALIDPARAM;
        } else if (plat::fault("IDirectSoundBuffer::SetVolume")) {
            result = DSERR_INVALIDCALL;
        } else {
            volume_ = volume;
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            alSourcef(source_, AL_GAIN, gain_from_volume(volume));
        }
        plat::Trace("IDirectSoundBuffer::SetVolume").num(volume).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetVolume(LONG* volume) override {
        HRESULT result = volume == nullptr ? DSERR_INVALIDPARAM : DS_OK;
        if (volume != nullptr) {
            *volume = volume_;
        }
        plat::Trace("IDirectSoundBuffer::GetVolume").ret(result).num(volume_);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Stop() override {
        HRESULT result = DS_OK;
        if (plat::fault("IDirectSoundBuffer::Stop")) {
            result = DSERR_INVALIDCALL;
        } else {
            // Stopping keeps the position, as DirectSound does.
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            ALint state = AL_STOPPED;
            alGetSourcei(source_, AL_SOURCE_STATE, &state);
            if (state == AL_PLAYING) {
                alSourcePause(source_);
            }
        }
        plat::Trace("IDirectSoundBuffer::Stop").ret(result);
        return result;
    }

  private:
    friend class plat::ComCount;
    ~SoundBuffer() {
        std::lock_guard<std::mutex> hold(al_lock);
        device_->use();
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        alDeleteBuffers(1, &buffer_);
    }

    // Gives OpenAL the buffer's bytes; the source plays on from where it
    // was. Called with al_lock held and the context current.
    void upload() {
        ALint state = AL_INITIAL;
        ALint offset = 0;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        DWORD whole = static_cast<DWORD>(data_.size()) / block_ * block_;
        alBufferData(buffer_, format_, data_.data(), static_cast<ALsizei>(whole),
                     static_cast<ALsizei>(rate_));
        alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffer_));
        if (state == AL_PLAYING || state == AL_PAUSED) {
            alSourcei(source_, AL_BYTE_OFFSET, offset);
            if (state == AL_PLAYING) {
                alSourcePlay(source_);
            } else {
                alSourcePause(source_);
            }
        }
    }

    std::shared_ptr<AlDevice> device_;
    DWORD flags_;
    std::vector<unsigned char> data_;
    ALenum format_;
    DWORD rate_;
    DWORD block_;
    ALuint buffer_ = 0;
    ALuint source_ = 0;
    bool looping_ = false;
    LONG volume_ = 0;
};

class DirectSound final : public plat::SingleInterface<IDirectSound8, DirectSound> {
  public:
    DirectSound() : SingleInterface("IDirectSound8", IID_IDirectSound8) {}

    HRESULT STDMETHODCALLTYPE Initialize(LPCGUID device) override {
        HRESULT result = DS_OK;
        if (device_) {
            result = DSERR_ALREADYINITIALIZED;
        } else if (device != nullptr && *device != GUID_NULL) {
            // Only the default playback device is offered.
            result = DSERR_NODRIVER;
        } else if (plat::fault("IDirectSound8::Initialize")) {
            result = DSERR_NODRIVER;
        } else {
            device_ = AlDevice::open();
            result = device_ ? DS_OK : DSERR_NODRIVER;
        }
        plat::Trace("IDirectSound8::Initialize")
            .sym(device == nullptr ? "NULL" : "guid")
            .ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override {
        HRESULT result = DS_OK;
        if (!device_) {
            result = DSERR_UNINITIALIZED;
        } else if (plat::fault("IDirectSound8::SetCooperativeLevel")) {
            result = DSERR_INVALIDPARAM;
        } else if (level < DSSCL_NORMAL || level > 3) {
            result = DSERR_INVALIDPARAM;
        }
        plat::Trace("IDirectSound8::SetCooperativeLevel")
            .sym(window != nullptr ? "window" : "NULL")
            .num(level)
            .ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC description,
                                                LPDIRECTSOUNDBUFFER* buffer,
                                                LPUNKNOWN outer) override {
        plat::Trace trace("IDirectSound8::CreateSoundBuffer");
        HRESULT result = DS_OK;
        const WAVEFORMATEX* format = nullptr;
        if (description != nullptr) {
            trace.num(description->dwSize)
                .num(description->dwFlags)
                .num(description->dwBufferBytes);
            format = description->lpwfxFormat;
        }
        if (format != nullptr) {
            // A PCM format is read only as far as WAVEFORMAT and the sample
            // size: the cbSize field is not there in every file.
            trace.num(format->wFormatTag)
                .num(format->nChannels)
                .num(format->nSamplesPerSec)
                .num(format->wBitsPerSample);
        }
        ALenum al_format = 0;
        if (buffer == nullptr || description == nullptr) {
            result = DSERR_INVALIDPARAM;
        } else if ((*buffer = nullptr), outer != nullptr) {
            result = static_cast<HRESULT>(0x80040110L);  // CLASS_E_NOAGGREGATION
        } else if (!device_) {
            result = DSERR_UNINITIALIZED;
        } else if (description->dwSize != sizeof(DSBUFFERDESC) || format == nullptr ||
                   (description->dwFlags & DSBCAPS_PRIMARYBUFFER) ||
                   description->dwBufferBytes < DSBSIZE_MIN ||
                   description->dwBufferBytes > DSBSIZE_MAX) {
            result = DSERR_INVALIDPARAM;
        } else if (format->wFormatTag != WAVE_FORMAT_PCM ||
                   (al_format = al_format_of(format->nChannels, format->wBitsPerSample)) == 0) {
            result = DSERR_BADFORMAT;
        } else if (format->nBlockAlign != format->nChannels * format->wBitsPerSample / 8 ||
                   format->nSamplesPerSec < FREQUENCY_MIN ||
                   format->nSamplesPerSec > FREQUENCY_MAX) {
            result = DSERR_INVALIDPARAM;
        } else if (plat::fault("IDirectSound8::CreateSoundBuffer")) {
            result = DSERR_OUTOFMEMORY;
        } else if (!(description->dwFlags & DSBCAPS_STATIC)) {
            *buffer = plat::make_streaming_buffer(device_, description->dwFlags,
                                                  description->dwBufferBytes, al_format, *format);
            result = *buffer != nullptr ? DS_OK : DSERR_OUTOFMEMORY;
        } else {
            auto* made = new SoundBuffer(device_, description->dwFlags, description->dwBufferBytes,
                                         al_format, format->nSamplesPerSec, format->nBlockAlign);
            if (made->good()) {
                *buffer = made;
            } else {
                made->Release();
                result = DSERR_OUTOFMEMORY;
            }
        }
        trace.ret(result);
        return result;
    }

  private:
    friend class plat::ComCount;
    ~DirectSound() = default;

    static ALenum al_format_of(WORD channels, WORD bits) {
        if (channels == 1) {
            return bits == 8 ? AL_FORMAT_MONO8 : bits == 16 ? AL_FORMAT_MONO16 : 0;
        }
        if (channels == 2) {
            return bits == 8 ? AL_FORMAT_STEREO8 : bits == 16 ? AL_FORMAT_STEREO16 : 0;
        }
        return 0;
    }

    std::shared_ptr<AlDevice> device_;
};

HRESULT make_direct_sound(REFIID iid, void** object) {
    if (iid != IID_IUnknown && iid != IID_IDirectSound8) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDirectSound8*>(new DirectSound);
    return S_OK;
}

plat::ComClassRegistration direct_sound_class(CLSID_DirectSound8, "CLSID_DirectSound8",
                                              make_direct_sound);

}  // namespace
