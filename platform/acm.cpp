// The Audio Compression Manager's MPEG layer 3 decoder over libmpg123, fed
// as the platform's is: each conversion takes all the source it is given
// and hands back as much PCM as the destination holds; what does not fit
// stays in the decoder for the next conversion. Offered: conversion
// streams from MPEGLAYER3WAVEFORMAT (MPEG-1, 2 and 2.5 rates, mono or
// stereo) to 16-bit PCM of the same rate and channels, without a driver,
// filter or callback; prepared headers; the size of the PCM a source length
// gives. Refused with the platform's errors: other formats and conversions,
// asynchronous streams, unprepared headers and lengths beyond the
// prepared ones.
#include <mpg123.h>

#include <map>
#include <mutex>

#include "platform/native/msacm.h"
#include "platform/native/standin.h"

namespace {

constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
// Where a prepared header keeps the lengths it was prepared with.
constexpr int PREPARED_SOURCE = 0;
constexpr int PREPARED_DESTINATION = 1;

struct AcmStream {
    mpg123_handle* decoder;
    DWORD rate;
    WORD channels;
    DWORD source_bytes_per_second;
    long long number;
};

std::mutex streams_lock;
std::map<HACMSTREAM, AcmStream> streams;
long long next_number = 1;

bool rate_known(DWORD rate) {
    const DWORD rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    for (DWORD known : rates) {
        if (rate == known) {
            return true;
        }
    }
    return false;
}

// The stream, or null (stream_out untouched) when the handle is none.
bool find_stream(HACMSTREAM handle, AcmStream* stream_out) {
    std::lock_guard<std::mutex> hold(streams_lock);
    auto found = streams.find(handle);
    if (found == streams.end()) {
        return false;
    }
    *stream_out = found->second;
    return true;
}

mpg123_handle* new_decoder(DWORD rate, WORD channels) {
    static std::once_flag ready;
    std::call_once(ready, [] { mpg123_init(); });
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (decoder == nullptr) {
        return nullptr;
    }
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0.0);
    mpg123_format_none(decoder);
    mpg123_format(decoder, static_cast<long>(rate), channels == 1 ? MPG123_MONO : MPG123_STEREO,
                  MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(decoder) != MPG123_OK) {
        mpg123_delete(decoder);
        return nullptr;
    }
    return decoder;
}

}  // namespace

MMRESULT acmStreamOpen(LPHACMSTREAM stream, HACMDRIVER driver, LPWAVEFORMATEX source,
                       LPWAVEFORMATEX destination, LPWAVEFILTER filter, DWORD_PTR callback,
                       DWORD_PTR, DWORD flags) {
    plat::Trace trace("acmStreamOpen");
    MMRESULT result = MMSYSERR_NOERROR;
    if (source != nullptr) {
        trace.num(source->wFormatTag).num(source->nChannels).num(source->nSamplesPerSec);
    }
    const MPEGLAYER3WAVEFORMAT* layer3 = reinterpret_cast<const MPEGLAYER3WAVEFORMAT*>(source);
    if (source == nullptr || destination == nullptr ||
        (stream == nullptr && !(flags & ACM_STREAMOPENF_QUERY))) {
        result = MMSYSERR_INVALPARAM;
    } else if (driver != nullptr || filter != nullptr || callback != 0 ||
               (flags & ACM_STREAMOPENF_ASYNC)) {
        result = MMSYSERR_NOTSUPPORTED;
    } else if (source->wFormatTag != WAVE_FORMAT_MPEGLAYER3 ||
               source->cbSize < MPEGLAYER3_WFX_EXTRA_BYTES || layer3->wID != MPEGLAYER3_ID_MPEG ||
               destination->wFormatTag != WAVE_FORMAT_PCM || destination->wBitsPerSample != 16 ||
               destination->nSamplesPerSec != source->nSamplesPerSec ||
               destination->nChannels != source->nChannels || !rate_known(source->nSamplesPerSec) ||
               source->nChannels < 1 || source->nChannels > 2) {
        result = ACMERR_NOTPOSSIBLE;
    } else if (plat::fault("acmStreamOpen")) {
        result = MMSYSERR_NOMEM;
    } else if (!(flags & ACM_STREAMOPENF_QUERY)) {
        mpg123_handle* decoder = new_decoder(source->nSamplesPerSec, source->nChannels);
        if (decoder == nullptr) {
            result = MMSYSERR_NOMEM;
        } else {
            std::lock_guard<std::mutex> hold(streams_lock);
            long long number = next_number++;
            HACMSTREAM handle = reinterpret_cast<HACMSTREAM>(static_cast<uintptr_t>(number));
            streams[handle] = AcmStream{decoder, source->nSamplesPerSec, source->nChannels,
                                        source->nAvgBytesPerSec, number};
            *stream = handle;
            trace.ret(result).num(number);
            return result;
        }
    }
    if (stream != nullptr) {
        *stream = nullptr;
    }
    trace.ret(result);
    return result;
}

MMRESULT acmStreamSize(HACMSTREAM handle, DWORD input, LPDWORD output, DWORD flags) {
    AcmStream stream;
    MMRESULT result = MMSYSERR_NOERROR;
    if (!find_stream(handle, &stream)) {
        result = MMSYSERR_INVALHANDLE;
    } else if (output == nullptr || flags != ACM_STREAMSIZEF_SOURCE) {
        result = MMSYSERR_INVALPARAM;
    } else {
        // A frame of 1152 samples at most for each frame's worth of bytes,
        // rounded up.
        DWORD frame = stream.source_bytes_per_second * 1152 / stream.rate;
        DWORD frames = frame > 0 ? (input + frame - 1) / frame : 0;
        if (frames == 0) {
            result = ACMERR_NOTPOSSIBLE;
        } else {
            *output = frames * 1152 * 2 * stream.channels;
        }
    }
    plat::Trace("acmStreamSize").num(input).num(flags).ret(result);
    return result;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM handle, LPACMSTREAMHEADER header, DWORD) {
    AcmStream stream;
    MMRESULT result = MMSYSERR_NOERROR;
    if (!find_stream(handle, &stream)) {
        result = MMSYSERR_INVALHANDLE;
    } else if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER) ||
               header->pbSrc == nullptr || header->pbDst == nullptr) {
        result = MMSYSERR_INVALPARAM;
    } else if (plat::fault("acmStreamPrepareHeader")) {
        result = MMSYSERR_NOMEM;
    } else {
        header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
        header->dwReservedDriver[PREPARED_SOURCE] = header->cbSrcLength;
        header->dwReservedDriver[PREPARED_DESTINATION] = header->cbDstLength;
    }
    plat::Trace("acmStreamPrepareHeader").ret(result);
    return result;
}

MMRESULT acmStreamConvert(HACMSTREAM handle, LPACMSTREAMHEADER header, DWORD flags) {
    plat::Trace trace("acmStreamConvert");
    AcmStream stream;
    MMRESULT result = MMSYSERR_NOERROR;
    if (header != nullptr) {
        trace.num(header->cbSrcLength).num(flags);
    }
    if (!find_stream(handle, &stream)) {
        result = MMSYSERR_INVALHANDLE;
    } else if (header == nullptr || header->cbStruct < sizeof(ACMSTREAMHEADER)) {
        result = MMSYSERR_INVALPARAM;
    } else if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) {
        result = ACMERR_UNPREPARED;
    } else if (header->cbSrcLength > header->dwReservedDriver[PREPARED_SOURCE] ||
               header->cbDstLength > header->dwReservedDriver[PREPARED_DESTINATION]) {
        result = MMSYSERR_INVALPARAM;
    } else if (plat::fault("acmStreamConvert")) {
        result = MMSYSERR_ERROR;
    } else {
        if (flags & ACM_STREAMCONVERTF_START) {
            mpg123_close(stream.decoder);
            mpg123_open_feed(stream.decoder);
        }
        header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
        if (header->cbSrcLength > 0) {
            mpg123_feed(stream.decoder, header->pbSrc, header->cbSrcLength);
        }
        size_t produced = 0;
        // Each read decodes a frame at most: the source given is bounded.
        for (int reads = 0; reads < 4096; ++reads) {
            size_t got = 0;
            int code = mpg123_read(stream.decoder, header->pbDst + produced,
                                   header->cbDstLength - produced, &got);
            produced += got;
            // A new format is announced, then decoded; damage is skipped.
            if (produced >= header->cbDstLength || code == MPG123_NEED_MORE ||
                (code != MPG123_OK && code != MPG123_NEW_FORMAT && got == 0)) {
                break;
            }
        }
        header->cbSrcLengthUsed = header->cbSrcLength;
        header->cbDstLengthUsed = static_cast<DWORD>(produced);
        header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
        trace.num(produced);
    }
    trace.ret(result);
    return result;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM handle, LPACMSTREAMHEADER header, DWORD) {
    AcmStream stream;
    MMRESULT result = MMSYSERR_NOERROR;
    if (!find_stream(handle, &stream)) {
        result = MMSYSERR_INVALHANDLE;
    } else if (header == nullptr || !(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) {
        result = ACMERR_UNPREPARED;
    } else if (header->cbSrcLength != header->dwReservedDriver[PREPARED_SOURCE] ||
               header->cbDstLength != header->dwReservedDriver[PREPARED_DESTINATION]) {
        // The lengths go back to what they were prepared with first.
        result = MMSYSERR_INVALPARAM;
    } else {
        header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    }
    plat::Trace("acmStreamUnprepareHeader").ret(result);
    return result;
}

MMRESULT acmStreamClose(HACMSTREAM handle, DWORD) {
    mpg123_handle* decoder = nullptr;
    long long number = 0;
    {
        std::lock_guard<std::mutex> hold(streams_lock);
        auto found = streams.find(handle);
        if (found != streams.end()) {
            decoder = found->second.decoder;
            number = found->second.number;
            streams.erase(found);
        }
    }
    MMRESULT result = decoder != nullptr ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    if (decoder != nullptr) {
        mpg123_delete(decoder);
    }
    plat::Trace("acmStreamClose").num(number).ret(result);
    return result;
}
