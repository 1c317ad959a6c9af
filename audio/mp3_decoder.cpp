// The ACM decoder. The source format is made from a real frame header, so
// the decoder is told the stream's own rate and channels; a stream whose
// format changes gets a new conversion stream (the station's part).
#include "audio/mp3_decoder.h"

#include <cstring>

namespace {

// The decoder's delay in samples, as layer III encoders report it.
constexpr WORD MP3_CODEC_DELAY = 1393;

}  // namespace

int mp3_decoder_open(Mp3Decoder* decoder, const Mp3Header* format) {
    mp3_decoder_close(decoder);
    MPEGLAYER3WAVEFORMAT source;
    memset(&source, 0, sizeof source);
    source.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    source.wfx.nChannels = static_cast<WORD>(format->channels);
    source.wfx.nSamplesPerSec = static_cast<DWORD>(format->sample_rate);
    source.wfx.nAvgBytesPerSec = static_cast<DWORD>(format->bitrate / 8);
    source.wfx.nBlockAlign = 1;
    source.wfx.wBitsPerSample = 0;
    source.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    source.wID = MPEGLAYER3_ID_MPEG;
    source.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    source.nBlockSize =
        static_cast<WORD>(format->frame_bytes - static_cast<uint32_t>(format->padded));
    source.nFramesPerBlock = 1;
    source.nCodecDelay = MP3_CODEC_DELAY;
    WAVEFORMATEX pcm;
    memset(&pcm, 0, sizeof pcm);
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = source.wfx.nChannels;
    pcm.nSamplesPerSec = source.wfx.nSamplesPerSec;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * 2);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    if (acmStreamOpen(&decoder->stream, nullptr, &source.wfx, &pcm, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
        decoder->stream = nullptr;
        return 0;
    }
    memset(&decoder->header, 0, sizeof decoder->header);
    decoder->header.cbStruct = sizeof decoder->header;
    decoder->header.pbSrc = decoder->source;
    decoder->header.cbSrcLength = sizeof decoder->source;
    decoder->header.pbDst = decoder->pcm;
    decoder->header.cbDstLength = sizeof decoder->pcm;
    if (acmStreamPrepareHeader(decoder->stream, &decoder->header, 0) != MMSYSERR_NOERROR) {
        mp3_decoder_close(decoder);
        return 0;
    }
    decoder->prepared = 1;
    decoder->started = 0;
    decoder->format = *format;
    return 1;
}

int mp3_decoder_convert(Mp3Decoder* decoder, const uint8_t* frames, uint32_t length, uint32_t* used,
                        uint32_t* pcm_bytes) {
    *used = 0;
    *pcm_bytes = 0;
    if (decoder->stream == nullptr || length > sizeof decoder->source) {
        return 0;
    }
    memcpy(decoder->source, frames, length);
    // A prepared header may carry less than it was prepared with.
    decoder->header.cbSrcLength = length;
    decoder->header.cbDstLength = sizeof decoder->pcm;
    DWORD flags =
        ACM_STREAMCONVERTF_BLOCKALIGN | (decoder->started == 0 ? ACM_STREAMCONVERTF_START : 0);
    if (acmStreamConvert(decoder->stream, &decoder->header, flags) != MMSYSERR_NOERROR) {
        return 0;
    }
    decoder->started = 1;
    *used = decoder->header.cbSrcLengthUsed <= length ? decoder->header.cbSrcLengthUsed : length;
    *pcm_bytes = decoder->header.cbDstLengthUsed <= sizeof decoder->pcm
                     ? decoder->header.cbDstLengthUsed
                     : 0;
    return 1;
}

void mp3_decoder_close(Mp3Decoder* decoder) {
    if (decoder->stream == nullptr) {
        return;
    }
    if (decoder->prepared == 1) {
        decoder->header.cbSrcLength = sizeof decoder->source;
        decoder->header.cbDstLength = sizeof decoder->pcm;
        acmStreamUnprepareHeader(decoder->stream, &decoder->header, 0);
        decoder->prepared = 0;
    }
    acmStreamClose(decoder->stream, 0);
    decoder->stream = nullptr;
}
