// A station's HTTP connection through WinINet's asynchronous mode: nothing
// here waits on the network. The address is asked for with ICY metadata;
// redirects are followed here, a few at most; the status callback (on the
// platform's threads) notes what finished and sets the player's event, and
// the player's thread takes it from there.
//
// Each open is an attempt with a slot of its own, the callback's context
// and where the platform writes its counts, kept until the platform has
// let go of its handle: a handle closed while the network still holds it
// goes on reporting into its slot, never into a newer attempt's. An
// attempt that does not end keeps its slot, so a station whose attempts
// the network never lets go of is tried no more once a few are held; a
// new station asked for still has slots of its own.
#pragma once

#include <cstdint>

#include "platform/win32.h"

constexpr int STATION_URL_CAPACITY = 1024;
constexpr int STATION_REDIRECTS_MAX = 5;
constexpr int STATION_ATTEMPTS = 4;
// The platform's own limits: a connection, and each wait for bytes.
constexpr DWORD STATION_CONNECT_TIMEOUT_MS = 5000;
constexpr DWORD STATION_RECEIVE_TIMEOUT_MS = 5000;

enum StationHttpState : int32_t {
    HTTP_CLOSED = 0,
    HTTP_OPENING = 1,   // asked; the answer's headers not yet in
    HTTP_ANSWERED = 2,  // the final answer's headers are in; ask before reading
    HTTP_WAITING = 3,   // nothing to read yet; the network will say
    HTTP_READABLE = 4,  // `available` bytes can be read at once
    HTTP_ENDED = 5,     // the server closed the stream
    HTTP_FAILED = 6,    // refused, unreachable, redirected too often, broken
};

struct StationHttp;

struct StationAttempt {
    StationHttp* owner;
    int32_t in_use;   // from the open until the platform lets go of it
    int32_t current;  // the open the station still wants
    int32_t closed;   // its handle has been closed
    HINTERNET handle;
    int32_t completed;
    DWORD_PTR result;
    DWORD error;
    // Where the platform writes a call's counts: a call that completes
    // later writes them after it returned, so they live with the slot.
    DWORD available;
    DWORD read;
};

struct StationHttp {
    HINTERNET session;
    HANDLE wake;
    CRITICAL_SECTION lock;  // the attempts' reports, shared with the callback
    StationAttempt attempts[STATION_ATTEMPTS];
    StationAttempt* current;
    int32_t state;
    DWORD available;
    DWORD error;  // why it failed, as the platform said
    int32_t redirects;
    char url[STATION_URL_CAPACITY];
};

// The address as the request names it: UTF-8, with spaces and other bytes
// beyond ASCII escaped; 1 when it is an http:// or https:// address that
// fits.
int station_http_url(const WCHAR* address, char* url);
// A connection that reports to wake; its session is made with the first
// request (and again with the next, when the platform could not make it).
void station_http_init(StationHttp* http, HANDLE wake);
// The event the network's reports set from now on.
void station_http_set_wake(StationHttp* http, HANDLE wake);
// Asks for the address (http:// or https://, as station_http_url makes
// it), when at least keep_free slots stay free besides the one it takes; 0
// when it cannot be asked now (no session, too few free attempts).
int station_http_connect(StationHttp* http, const char* url, int keep_free);
// Takes what the network reported: an answer (following a redirect), or
// bytes to read. The state it leaves.
int32_t station_http_poll(StationHttp* http);
// A header of the answer: HTTP_QUERY_CONTENT_TYPE, or the custom header
// named; 1 when it is there and fits.
int station_http_header(StationHttp* http, DWORD query, const char* name, char* out, DWORD size);
// Reads what can be read at once into room bytes at into; the bytes read.
DWORD station_http_read(StationHttp* http, uint8_t* into, DWORD room);
// Closes the current request, whatever it was doing.
void station_http_disconnect(StationHttp* http);
// Closes the session once every handle is let go; 1 when done (the record
// may go), 0 while the network still holds one (ask again later).
int station_http_close(StationHttp* http);
