// The station player. An attempt goes: ask (the network answers through
// the event), look at the answer's headers (MP3, another format, or no
// audio at all), read what has come, cut out the metadata, find frames,
// decode them and write their PCM ahead of the buffer's play cursor. Any
// failure on the way is a lost signal at once: sound and connection stop,
// and the next attempt is timed by the retry ladder.
#include "audio/station.h"

#include <cstdlib>
#include <cstring>

#include "audio/stream_format.h"

namespace {

void station_forget_attempt(Station* station) {
    station->answered = 0;
    station->format = STREAM_FORMAT_UNKNOWN;
    station->unframed = 0;
    station->backlog_length = 0;
    station->pcm_offset = 0;
    station->pcm_length = 0;
    station->finder.locked = 0;
    icy_start(&station->icy, 0);
}

// Neither sound nor connection any more.
void station_silence(Station* station) {
    station_http_disconnect(&station->http);
    stream_output_close(&station->output);
    mp3_decoder_close(&station->decoder);
    station_forget_attempt(station);
}

// Holds the device (or none), letting the one held before go.
void station_hold_device(Station* station, IDirectSound8* device) {
    if (device != nullptr) {
        device->AddRef();
    }
    if (station->device != nullptr) {
        station->device->Release();
    }
    station->device = device;
}

void station_clear_title(Station* station) {
    if (station->title[0] != '\0') {
        station->title[0] = '\0';
        station->title_changed = 1;
    }
}

void station_lose(Station* station, DWORD now) {
    station_silence(station);
    station->status = STATION_LOST;
    station->other_format = nullptr;
    station_clear_title(station);
    station->retry_at = now + station->delay;
    station->delay =
        station->delay * 2 < STATION_RETRY_LAST_MS ? station->delay * 2 : STATION_RETRY_LAST_MS;
}

// Audio the radio does not play is asked for again only at the slow end.
void station_refuse(Station* station, DWORD now, const char* format) {
    station_silence(station);
    station->status = STATION_OTHER_FORMAT;
    station->other_format = format;
    station_clear_title(station);
    station->delay = STATION_RETRY_LAST_MS;
    station->retry_at = now + STATION_RETRY_LAST_MS;
}

// A retry waits until the network has let go of the earlier attempts, and
// leaves the other slots free for a station asked for next, should the
// network never let go of this one's.
void station_connect(Station* station, DWORD now, int retry) {
    station_silence(station);
    station->asked_at = now;
    station->bytes_at = now;
    if (station_http_connect(&station->http, station->url,
                             retry == 1 ? STATION_ATTEMPTS_KEPT_FREE : 0) == 0) {
        station_lose(station, now);
    }
}

// Takes the answer's headers; 0 when the station is no MP3 station.
int station_take_answer(Station* station, DWORD now) {
    char type[128];
    const char* name = nullptr;
    int32_t format = STREAM_FORMAT_UNKNOWN;
    if (station_http_header(&station->http, HTTP_QUERY_CONTENT_TYPE, nullptr, type, sizeof type) ==
        1) {
        format = stream_format_of_type(type, &name);
    }
    if (format == STREAM_FORMAT_OTHER) {
        station_refuse(station, now, name);
        return 0;
    }
    char text[16];
    uint32_t interval = 0;
    if (station_http_header(&station->http, HTTP_QUERY_CUSTOM, "icy-metaint", text, sizeof text) ==
        1) {
        for (const char* c = text; *c != '\0' && interval <= ICY_INTERVAL_MAX; ++c) {
            interval = *c >= '0' && *c <= '9' ? interval * 10 + static_cast<uint32_t>(*c - '0')
                                              : ICY_INTERVAL_MAX + 1;
        }
        interval = interval == 0 ? ICY_INTERVAL_MAX + 1 : interval;
    }
    if (format == STREAM_FORMAT_NONE || interval > ICY_INTERVAL_MAX) {
        station_lose(station, now);
        return 0;
    }
    icy_start(&station->icy, interval);
    station->format = format;
    station->answered = 1;
    station->answered_at = now;
    return 1;
}

// Reads what has come into the backlog, the metadata cut out. Until the
// station sounds, everything, the network asked to say when more comes; a
// playing station reads what is there at each look, and is not woken for
// every packet.
void station_read(Station* station, DWORD now) {
    for (int more = 1; more == 1;) {
        uint32_t room = STATION_BACKLOG - station->backlog_length;
        uint8_t* end = station->backlog + station->backlog_length;
        DWORD read = room > 0 ? station_http_read(&station->http, end, room) : 0;
        more = read > 0 && (station->output.playing == 0 || station->http.state == HTTP_READABLE)
                   ? 1
                   : 0;
        if (read == 0) {
            return;
        }
        station->bytes_at = now;
        station->backlog_length += icy_cut(&station->icy, end, read);
        if (station->icy.title_changed == 1) {
            station->icy.title_changed = 0;
            memcpy(station->title, station->icy.title, sizeof station->title);
            station->title_changed = 1;
        }
    }
}

void station_drop(Station* station, uint32_t bytes) {
    memmove(station->backlog, station->backlog + bytes, station->backlog_length - bytes);
    station->backlog_length -= bytes;
}

// Whole frames of one format from the backlog's front, the bytes before
// them dropped; their length (0 when none is whole yet).
uint32_t station_frames(Station* station, Mp3Header* first) {
    uint32_t batch = 0;
    for (uint32_t frames = 0; frames < MP3_DECODE_FRAMES; ++frames) {
        uint32_t start = 0;
        Mp3Header header;
        int32_t found = mp3_next_frame(&station->finder, station->backlog + batch,
                                       station->backlog_length - batch, &start, &header);
        if (start > 0) {
            memmove(station->backlog + batch, station->backlog + batch + start,
                    station->backlog_length - batch - start);
            station->backlog_length -= start;
            station->unframed += start;
        }
        if (found != MP3_FRAME || (frames > 0 && mp3_same_stream(first, &header) == 0) ||
            batch + header.frame_bytes > MP3_SOURCE_CAPACITY) {
            break;
        }
        *first = frames == 0 ? header : *first;
        batch += header.frame_bytes;
    }
    return batch;
}

// Decodes frames and writes their sound while the buffer has room; 0 when
// the station cannot be played on.
int station_play_frames(Station* station) {
    for (;;) {
        if (station->pcm_length > 0) {
            long taken = stream_output_write(
                &station->output, station->decoder.pcm + station->pcm_offset, station->pcm_length);
            if (taken < 0) {
                return 0;
            }
            station->pcm_offset += static_cast<uint32_t>(taken);
            station->pcm_length -= static_cast<uint32_t>(taken);
            if (station->pcm_length > 0) {
                return 1;
            }
        }
        if (station->output.buffer != nullptr && stream_output_room(&station->output) == 0) {
            return 1;
        }
        Mp3Header first;
        uint32_t batch = station_frames(station, &first);
        if (batch == 0) {
            return 1;
        }
        station->unframed = 0;
        // A new stream, or one whose format changed: a decoder and a
        // buffer for it.
        if (station->decoder.stream == nullptr ||
            mp3_same_stream(&station->decoder.format, &first) == 0) {
            stream_output_close(&station->output);
            if (mp3_decoder_open(&station->decoder, &first) == 0 ||
                stream_output_open(&station->output, station->device,
                                   static_cast<DWORD>(first.sample_rate),
                                   static_cast<WORD>(first.channels), station->volume) == 0) {
                return 0;
            }
        }
        uint32_t used = 0;
        uint32_t pcm = 0;
        if (mp3_decoder_convert(&station->decoder, station->backlog, batch, &used, &pcm) == 0 ||
            (used == 0 && pcm == 0)) {
            return 0;
        }
        station_drop(station, used);
        station->pcm_offset = 0;
        station->pcm_length = pcm;
    }
}

// An attempt's next steps; the wait it wants before the next look.
DWORD station_advance(Station* station, DWORD now) {
    int32_t state = station_http_poll(&station->http);
    if (state == HTTP_FAILED || state == HTTP_ENDED || state == HTTP_CLOSED) {
        station_lose(station, now);
        return station->retry_at - now;
    }
    if (station->answered == 0) {
        if (state == HTTP_OPENING) {
            DWORD waited = now - station->asked_at;
            if (waited >= STATION_ANSWER_MS) {
                station_lose(station, now);
                return station->retry_at - now;
            }
            return STATION_ANSWER_MS - waited;
        }
        if (station_take_answer(station, now) == 0) {
            return station->retry_at - now;
        }
    }
    station_read(station, now);
    if (station->format == STREAM_FORMAT_UNKNOWN && station->finder.locked == 0) {
        const char* other = stream_format_sniff(station->backlog, station->backlog_length);
        if (other != nullptr) {
            station_refuse(station, now, other);
            return station->retry_at - now;
        }
    }
    stream_output_update(&station->output);
    int playable = station_play_frames(station);
    int heard = station->output.playing;
    if (playable == 0 || station->unframed > STATION_SNIFF_LIMIT ||
        now - station->bytes_at >= STATION_STALL_MS ||
        (heard == 0 && now - station->answered_at >= STATION_FIRST_FRAME_MS)) {
        station_lose(station, now);
        return station->retry_at - now;
    }
    if (heard == 1 && station->status != STATION_PLAYING) {
        station->status = STATION_PLAYING;
        station->other_format = nullptr;
        station->playing_at = now;
    }
    if (station->status == STATION_PLAYING && now - station->playing_at >= STATION_STEADY_MS) {
        station->delay = STATION_RETRY_FIRST_MS;
    }
    return STATION_SERVICE_MS;
}

}  // namespace

Station* station_create(HANDLE wake) {
    Station* station = static_cast<Station*>(calloc(1, sizeof(Station)));
    if (station == nullptr) {
        return nullptr;
    }
    station->own_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (station->own_wake == nullptr) {
        free(station);
        return nullptr;
    }
    station_http_init(&station->http, wake);
    return station;
}

void station_play(Station* station, const WCHAR* address, VolumeLevel volume,
                  IDirectSound8* device) {
    station_silence(station);
    station_hold_device(station, device);
    station->wanted = 1;
    station->volume = volume;
    station->status = STATION_CONNECTING;
    station->other_format = nullptr;
    station_clear_title(station);
    station->delay = STATION_RETRY_FIRST_MS;
    DWORD now = GetTickCount();
    if (station_http_url(address, station->url) == 0) {
        station_lose(station, now);
        return;
    }
    station_connect(station, now, 0);
}

void station_stop(Station* station) {
    station_silence(station);
    station_hold_device(station, nullptr);
    station->wanted = 0;
    station->status = STATION_IDLE;
    station->other_format = nullptr;
    station_clear_title(station);
}

void station_set_volume(Station* station, VolumeLevel volume) {
    station->volume = volume;
    stream_output_set_volume(&station->output, volume);
}

DWORD station_service(Station* station) {
    // Handles of attempts given up are closed here too.
    station_http_poll(&station->http);
    if (station->wanted == 0) {
        return INFINITE;
    }
    DWORD now = GetTickCount();
    if (station->status == STATION_LOST || station->status == STATION_OTHER_FORMAT) {
        if (station->http.current == nullptr) {
            if (static_cast<LONG>(station->retry_at - now) > 0) {
                return station->retry_at - now;
            }
            station_connect(station, now, 1);
            if (station->http.current == nullptr) {
                return station->retry_at - now;
            }
        }
    }
    return station_advance(station, now);
}

void station_detach(Station* station) {
    station_http_set_wake(&station->http, station->own_wake);
}

// Only once the network has let go of every connection can the code its
// reports run in go; the last report is given a moment to return.
void station_destroy(Station* station) {
    station_stop(station);
    while (station_http_close(&station->http) == 0) {
        WaitForSingleObject(station->own_wake, STATION_LINGER_MS);
    }
    WaitForSingleObject(station->own_wake, STATION_REPORT_RETURN_MS);
    CloseHandle(station->own_wake);
    free(station);
}
