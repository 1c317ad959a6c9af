// The streaming buffer. Lock hands out a copy of the locked bytes and Unlock
// puts it back, both under the OpenAL lock that the device's feeding takes,
// so a writer and the device never touch the ring at once. What the device
// queues is captured once the source has played it.
#include "platform/streaming_buffer.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/buffer_lock.h"
#include "platform/com_object.h"
#include "platform/native/standin.h"

namespace plat {
namespace {

// The ten-millisecond pieces the device queues, and how many at most.
constexpr DWORD CHUNKS_PER_SECOND = 100;
constexpr size_t QUEUED_CHUNKS = 4;

class StreamingBuffer final : public SingleInterface<IDirectSoundBuffer, StreamingBuffer>,
                              public AlFed {
  public:
    StreamingBuffer(std::shared_ptr<AlDevice> device, DWORD flags, DWORD bytes, ALenum al_format,
                    const WAVEFORMATEX& format)
        : SingleInterface("IDirectSoundBuffer", IID_IDirectSoundBuffer),
          device_(std::move(device)),
          flags_(flags),
          ring_(bytes - bytes % format.nBlockAlign, 0),
          al_format_(al_format),
          rate_(format.nSamplesPerSec),
          block_(format.nBlockAlign),
          channels_(format.nChannels),
          bits_(format.wBitsPerSample) {
        DWORD chunk = rate_ / CHUNKS_PER_SECOND * block_;
        chunk_ = std::max<DWORD>(block_, std::min<DWORD>(chunk, static_cast<DWORD>(ring_.size())));
        std::lock_guard<std::mutex> hold(al_lock);
        device_->use();
        alGenSources(1, &source_);
        free_.resize(QUEUED_CHUNKS);
        alGenBuffers(static_cast<ALsizei>(free_.size()), free_.data());
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source_, AL_POSITION, 0, 0, 0);
        good_ = alGetError() == AL_NO_ERROR;
        device_->add_fed(this);
    }

    bool good() const { return good_; }

    // --- On the device's thread, al_lock held, the context current ---
    void feed() override {
        if (!playing_) {
            return;
        }
        take_played();
        while (!free_.empty()) {
            std::vector<unsigned char> chunk(chunk_);
            for (DWORD i = 0; i < chunk_; ++i) {
                chunk[i] = ring_[(position_ + i) % ring_.size()];
            }
            ALuint buffer = free_.back();
            free_.pop_back();
            alBufferData(buffer, al_format_, chunk.data(), static_cast<ALsizei>(chunk_),
                         static_cast<ALsizei>(rate_));
            alSourceQueueBuffers(source_, 1, &buffer);
            queued_.push_back(std::move(chunk));
            position_ = static_cast<DWORD>((position_ + chunk_) % ring_.size());
        }
        ALint state = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            alSourcePlay(source_);
        }
    }

    // --- IDirectSoundBuffer ---
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        HRESULT result = status == nullptr ? DSERR_INVALIDPARAM : DS_OK;
        std::lock_guard<std::mutex> hold(al_lock);
        DWORD value = playing_ ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
        if (status != nullptr) {
            *status = value;
        }
        Trace("IDirectSoundBuffer::GetStatus").ret(result).num(value);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        HRESULT result = DS_OK;
        DWORD played = 0;
        DWORD writable = 0;
        if (fault("IDirectSoundBuffer::GetCurrentPosition")) {
            result = DSERR_INVALIDCALL;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            played = play_cursor();
            writable = position_;
        }
        if (play != nullptr) {
            *play = played;
        }
        if (write != nullptr) {
            *write = writable;
        }
        Trace("IDirectSoundBuffer::GetCurrentPosition").ret(result).num(played).num(writable);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                                   LPVOID* audio2, LPDWORD bytes2, DWORD flags) override {
        Trace trace("IDirectSoundBuffer::Lock");
        trace.num(offset).num(bytes).num(flags);
        std::lock_guard<std::mutex> hold(al_lock);
        DWORD size = static_cast<DWORD>(ring_.size());
        if (flags & DSBLOCK_FROMWRITECURSOR) {
            offset = position_;
        }
        if (flags & DSBLOCK_ENTIREBUFFER) {
            offset = 0;
            bytes = size;
        }
        HRESULT result = DS_OK;
        if (audio1 == nullptr || bytes1 == nullptr || bytes == 0 || bytes > size ||
            offset >= size || (audio2 == nullptr && offset + bytes > size)) {
            result = DSERR_INVALIDPARAM;
        } else if (locked_) {
            result = DSERR_INVALIDCALL;
        } else if (fault("IDirectSoundBuffer::Lock")) {
            result = DSERR_INVALIDCALL;
        }
        DWORD first = 0;
        DWORD second = 0;
        if (result == DS_OK) {
            first = std::min(bytes, size - offset);
            second = bytes - first;
            staging_.assign(bytes, 0);
            for (DWORD i = 0; i < bytes; ++i) {
                staging_[i] = ring_[(offset + i) % size];
            }
            locked_ = true;
            lock_offset_ = offset;
        }
        hand_out_lock(result, staging_.data(), first, staging_.data() + first, second, audio1,
                      bytes1, audio2, bytes2);
        trace.ret(result).num(first).num(second);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2,
                                     DWORD bytes2) override {
        std::lock_guard<std::mutex> hold(al_lock);
        HRESULT result = DS_OK;
        bool matches = locked_ && audio1 == staging_.data() && bytes1 <= staging_.size() &&
                       (bytes2 == 0 ||
                        (audio2 == staging_.data() + bytes1 && bytes1 + bytes2 <= staging_.size()));
        if (fault("IDirectSoundBuffer::Unlock")) {
            result = DSERR_INVALIDCALL;
        } else if (!matches) {
            result = DSERR_INVALIDPARAM;
        } else {
            for (DWORD i = 0; i < bytes1 + bytes2; ++i) {
                ring_[(lock_offset_ + i) % ring_.size()] = staging_[i];
            }
        }
        locked_ = false;
        Trace("IDirectSoundBuffer::Unlock").num(bytes1).num(bytes2).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD flags) override {
        HRESULT result = DS_OK;
        if (reserved != 0) {
            result = DSERR_INVALIDPARAM;
        } else if (fault("IDirectSoundBuffer::Play")) {
            result = DSERR_BUFFERLOST;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            // Only a looping play goes on for ever; a buffer played once is
            // taken for a looping one too (the radio never asks for it).
            if (!capture_ && audio_sink_kind() == SinkKind::Wav) {
                capture_ = std::make_unique<CaptureFile>(audio_capture_path("buffer"),
                                                         static_cast<int>(channels_),
                                                         static_cast<int>(rate_));
            }
            playing_ = true;
        }
        Trace("IDirectSoundBuffer::Play").num(reserved).num(priority).num(flags).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override {
        HRESULT result = DS_OK;
        if (position >= ring_.size()) {
            result = DSERR_INVALIDPARAM;
        } else if (fault("IDirectSoundBuffer::SetCurrentPosition")) {
            result = DSERR_INVALIDCALL;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            flush();
            position_ = position - position % block_;
        }
        Trace("IDirectSoundBuffer::SetCurrentPosition").num(position).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override {
        HRESULT result = DS_OK;
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) {
            result = DSERR_CONTROLUNAVAIL;
        } else if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) {
            result = DSERR_INVALIDPARAM;
        } else if (fault("IDirectSoundBuffer::SetVolume")) {
            result = DSERR_INVALIDCALL;
        } else {
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            volume_ = volume;
            gain_ = gain_from_volume(volume);
            alSourcef(source_, AL_GAIN, gain_);
        }
        Trace("IDirectSoundBuffer::SetVolume").num(volume).ret(result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE GetVolume(LONG* volume) override {
        HRESULT result = volume == nullptr ? DSERR_INVALIDPARAM : DS_OK;
        std::lock_guard<std::mutex> hold(al_lock);
        if (volume != nullptr) {
            *volume = volume_;
        }
        Trace("IDirectSoundBuffer::GetVolume").ret(result).num(volume_);
        return result;
    }

    HRESULT STDMETHODCALLTYPE Stop() override {
        HRESULT result = DS_OK;
        if (fault("IDirectSoundBuffer::Stop")) {
            result = DSERR_INVALIDCALL;
        } else {
            // Stopping keeps the position, as DirectSound does.
            std::lock_guard<std::mutex> hold(al_lock);
            device_->use();
            take_played();
            DWORD play = play_cursor();
            flush();
            position_ = play;
            playing_ = false;
        }
        Trace("IDirectSoundBuffer::Stop").ret(result);
        return result;
    }

  private:
    friend class plat::ComCount;
    ~StreamingBuffer() {
        std::lock_guard<std::mutex> hold(al_lock);
        device_->remove_fed(this);
        device_->use();
        flush();
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        alDeleteBuffers(static_cast<ALsizei>(free_.size()), free_.data());
    }

    // Where the source plays: as far behind the write cursor as it has
    // queued and not yet played.
    DWORD play_cursor() {
        ALint offset = 0;
        alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
        size_t pending = queued_.size() * chunk_;
        size_t behind = pending - std::min<size_t>(pending, static_cast<size_t>(offset));
        size_t size = ring_.size();
        return static_cast<DWORD>((position_ + size - behind % size) % size);
    }

    // Frees the pieces the source has played, capturing them.
    void take_played() {
        ALint processed = 0;
        alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
        for (; processed > 0 && !queued_.empty(); --processed) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(source_, 1, &buffer);
            free_.push_back(buffer);
            capture(queued_.front());
            queued_.pop_front();
        }
    }

    // Drops what is queued and not yet played.
    void flush() {
        alSourceStop(source_);
        ALint processed = 0;
        alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
        for (; processed > 0; --processed) {
            ALuint buffer = 0;
            alSourceUnqueueBuffers(source_, 1, &buffer);
            free_.push_back(buffer);
        }
        queued_.clear();
    }

    void capture(const std::vector<unsigned char>& chunk) {
        if (!capture_) {
            return;
        }
        std::vector<int16_t> samples(chunk.size() / (bits_ / 8));
        for (size_t i = 0; i < samples.size(); ++i) {
            float value = bits_ == 8 ? (static_cast<float>(chunk[i]) - 128.0f) * 256.0f
                                     : static_cast<float>(static_cast<int16_t>(
                                           chunk[2 * i] | (chunk[2 * i + 1] << 8)));
            samples[i] = static_cast<int16_t>(std::clamp(value * gain_, -32768.0f, 32767.0f));
        }
        capture_->write(samples.data(), samples.size());
    }

    std::shared_ptr<AlDevice> device_;
    DWORD flags_;
    std::vector<unsigned char> ring_;
    std::vector<unsigned char> staging_;
    ALenum al_format_;
    DWORD rate_;
    DWORD block_;
    DWORD channels_;
    DWORD bits_;
    DWORD chunk_ = 0;
    ALuint source_ = 0;
    std::vector<ALuint> free_;
    std::deque<std::vector<unsigned char>> queued_;
    DWORD position_ = 0;
    bool playing_ = false;
    bool locked_ = false;
    DWORD lock_offset_ = 0;
    bool good_ = false;
    LONG volume_ = 0;
    ALfloat gain_ = 1.0f;
    std::unique_ptr<CaptureFile> capture_;
};

}  // namespace

IDirectSoundBuffer* make_streaming_buffer(std::shared_ptr<AlDevice> device, DWORD flags,
                                          DWORD bytes, ALenum al_format,
                                          const WAVEFORMATEX& format) {
    auto* made = new StreamingBuffer(std::move(device), flags, bytes, al_format, format);
    if (!made->good()) {
        made->Release();
        return nullptr;
    }
    return made;
}

}  // namespace plat
