// The station's HTTP connection. Every call into WinINet here returns at
// once: the asynchronous session does the waiting on the platform's
// threads, and reports through the callback, which only notes the report
// in the attempt's slot and sets the player's event.
#include "audio/station_http.h"

#include <cstring>

namespace {

const char STATION_REQUEST_HEADERS[] = "Icy-MetaData: 1\r\n";
const DWORD STATION_OPEN_FLAGS = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                                 INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                 INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;

void CALLBACK station_http_callback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                    LPVOID information, DWORD length) {
    StationAttempt* attempt = reinterpret_cast<StationAttempt*>(context);
    if (attempt == nullptr) {
        return;
    }
    StationHttp* http = attempt->owner;
    HINTERNET made = nullptr;
    EnterCriticalSection(&http->lock);
    // A handle's report carries the handle first (the platform's own, or as
    // an INTERNET_ASYNC_RESULT's dwResult).
    if (status == INTERNET_STATUS_HANDLE_CREATED && information != nullptr &&
        length >= sizeof(HINTERNET) && attempt->handle == nullptr) {
        made = *static_cast<HINTERNET*>(information);
        attempt->handle = made;
    } else if (status == INTERNET_STATUS_REQUEST_COMPLETE && information != nullptr &&
               length >= sizeof(INTERNET_ASYNC_RESULT)) {
        const INTERNET_ASYNC_RESULT* result = static_cast<INTERNET_ASYNC_RESULT*>(information);
        attempt->completed = 1;
        attempt->result = result->dwResult;
        attempt->error = result->dwError;
        // An open that failed before making its handle has nothing to let go.
        if (attempt->handle == nullptr && result->dwResult == 0) {
            attempt->in_use = 0;
        }
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING && attempt->handle != nullptr &&
               (handle == attempt->handle ||
                (information != nullptr && length >= sizeof(HINTERNET) &&
                 *static_cast<HINTERNET*>(information) == attempt->handle))) {
        attempt->in_use = 0;
    }
    // Set under the lock: once station_http_set_wake has returned, the
    // event it replaced is never set again, and may be closed.
    SetEvent(http->wake);
    LeaveCriticalSection(&http->lock);
    // The session's own receive limit is not every platform's: each request
    // gets it too, before it sends.
    if (made != nullptr) {
        DWORD timeout = STATION_RECEIVE_TIMEOUT_MS;
        InternetSetOptionA(made, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    }
}

// 1 when text starts with prefix (lower case), whatever the case of its letters.
int station_http_starts(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix) {
            return 0;
        }
    }
    return 1;
}

int station_http_is_web(const char* url) {
    return station_http_starts(url, "http://") == 1 || station_http_starts(url, "https://") == 1
               ? 1
               : 0;
}

// Closes the handles of attempts no longer wanted, and of the current one
// when `all`. Called with the lock held.
void station_http_close_handles(StationHttp* http, int all) {
    for (StationAttempt& attempt : http->attempts) {
        if (attempt.in_use == 1 && attempt.handle != nullptr && attempt.closed == 0 &&
            (attempt.current == 0 || all == 1)) {
            attempt.closed = 1;
            attempt.current = 0;
            InternetCloseHandle(attempt.handle);
        }
    }
}

// Where a redirect's Location leads from url: an absolute address, one
// from the same scheme ("//host/..."), or a path on the same server; 0 when
// the result does not fit.
int station_http_redirect(const char* url, const char* location, char* out) {
    char combined[STATION_URL_CAPACITY];
    size_t scheme = static_cast<size_t>(strstr(url, "://") - url) + 3;
    const char* path = strchr(url + scheme, '/');
    size_t host_end = path != nullptr ? static_cast<size_t>(path - url) : strlen(url);
    size_t keep = 0;
    if (station_http_is_web(location) == 1) {
        keep = 0;
    } else if (location[0] == '/' && location[1] == '/') {
        keep = scheme - 2;
    } else if (location[0] == '/') {
        keep = host_end;
    } else {
        const char* last_slash = strrchr(url + host_end, '/');
        keep = last_slash != nullptr ? static_cast<size_t>(last_slash - url) + 1 : host_end;
        if (last_slash == nullptr) {
            if (keep + 1 >= sizeof combined) {
                return 0;
            }
            memcpy(combined, url, keep);
            combined[keep++] = '/';
            url = combined;
        }
    }
    size_t rest = strlen(location);
    if (keep + rest >= STATION_URL_CAPACITY) {
        return 0;
    }
    memmove(out, url, keep);
    memcpy(out + keep, location, rest + 1);
    return station_http_is_web(out);
}

// The asynchronous session with its limits and its callback; 1 when made.
int station_http_session(StationHttp* http) {
    http->session = InternetOpenA("SkyTune/3.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                  INTERNET_FLAG_ASYNC);
    if (http->session == nullptr) {
        return 0;
    }
    DWORD connect = STATION_CONNECT_TIMEOUT_MS;
    DWORD receive = STATION_RECEIVE_TIMEOUT_MS;
    InternetSetOptionA(http->session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(http->session, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    if (InternetSetStatusCallbackA(http->session, station_http_callback) ==
        INTERNET_INVALID_STATUS_CALLBACK) {
        InternetCloseHandle(http->session);
        http->session = nullptr;
        return 0;
    }
    return 1;
}

// Follows a redirect, or takes a final answer; the state it leaves.
int32_t station_http_answered(StationHttp* http) {
    DWORD code = 0;
    DWORD size = sizeof code;
    DWORD index = 0;
    if (HttpQueryInfoA(http->current->handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                       &code, &size, &index) == FALSE) {
        http->error = ERROR_HTTP_INVALID_SERVER_RESPONSE;
        return HTTP_FAILED;
    }
    if (code == HTTP_STATUS_OK) {
        return HTTP_ANSWERED;
    }
    char location[STATION_URL_CAPACITY];
    char next[STATION_URL_CAPACITY];
    int redirect = code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
    if (redirect == 0 || http->redirects >= STATION_REDIRECTS_MAX ||
        station_http_header(http, HTTP_QUERY_LOCATION, nullptr, location, sizeof location) == 0 ||
        station_http_redirect(http->url, location, next) == 0) {
        http->error = redirect == 1 ? ERROR_HTTP_REDIRECT_FAILED : code;
        return HTTP_FAILED;
    }
    int32_t redirects = http->redirects + 1;
    station_http_disconnect(http);
    if (station_http_connect(http, next, 0) == 0) {
        return HTTP_FAILED;
    }
    http->redirects = redirects;
    return http->state;
}

// Asks how much can be read; the state it leaves.
int32_t station_http_ask(StationHttp* http) {
    StationAttempt* attempt = http->current;
    EnterCriticalSection(&http->lock);
    attempt->completed = 0;
    LeaveCriticalSection(&http->lock);
    if (InternetQueryDataAvailable(attempt->handle, &attempt->available, 0,
                                   reinterpret_cast<DWORD_PTR>(attempt)) == TRUE) {
        http->available = attempt->available;
        return http->available > 0 ? HTTP_READABLE : HTTP_ENDED;
    }
    http->error = GetLastError();
    return http->error == ERROR_IO_PENDING ? HTTP_WAITING : HTTP_FAILED;
}

}  // namespace

int station_http_url(const WCHAR* address, char* url) {
    char text[STATION_URL_CAPACITY];
    if (WideCharToMultiByte(CP_UTF8, 0, address, -1, text, sizeof text, nullptr, nullptr) == 0) {
        return 0;
    }
    size_t out = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c != 0; ++c) {
        const char* digits = "0123456789ABCDEF";
        if (*c > 0x20 && *c < 0x7F) {
            if (out + 1 >= STATION_URL_CAPACITY) {
                return 0;
            }
            url[out++] = static_cast<char>(*c);
        } else {
            if (out + 3 >= STATION_URL_CAPACITY) {
                return 0;
            }
            url[out++] = '%';
            url[out++] = digits[*c >> 4];
            url[out++] = digits[*c & 15];
        }
    }
    url[out] = '\0';
    return station_http_is_web(url);
}

void station_http_init(StationHttp* http, HANDLE wake) {
    memset(http, 0, sizeof *http);
    InitializeCriticalSection(&http->lock);
    http->wake = wake;
    for (StationAttempt& attempt : http->attempts) {
        attempt.owner = http;
    }
}

void station_http_set_wake(StationHttp* http, HANDLE wake) {
    EnterCriticalSection(&http->lock);
    http->wake = wake;
    LeaveCriticalSection(&http->lock);
}

int station_http_connect(StationHttp* http, const char* url, int keep_free) {
    station_http_disconnect(http);
    http->redirects = 0;
    http->error = 0;
    if (station_http_is_web(url) == 0 || strlen(url) >= sizeof http->url ||
        (http->session == nullptr && station_http_session(http) == 0)) {
        return 0;
    }
    StationAttempt* attempt = nullptr;
    int free = 0;
    EnterCriticalSection(&http->lock);
    for (const StationAttempt& slot : http->attempts) {
        free += slot.in_use == 0 ? 1 : 0;
    }
    for (StationAttempt& slot : http->attempts) {
        if (slot.in_use == 0 && attempt == nullptr && free > keep_free) {
            attempt = &slot;
            attempt->in_use = 1;
            attempt->current = 1;
            attempt->closed = 0;
            attempt->handle = nullptr;
            attempt->completed = 0;
            attempt->result = 0;
            attempt->error = 0;
            attempt->available = 0;
            attempt->read = 0;
        }
    }
    LeaveCriticalSection(&http->lock);
    if (attempt == nullptr) {
        return 0;
    }
    strcpy(http->url, url);
    http->current = attempt;
    http->state = HTTP_OPENING;
    HINTERNET request =
        InternetOpenUrlA(http->session, url, STATION_REQUEST_HEADERS, static_cast<DWORD>(-1),
                         STATION_OPEN_FLAGS, reinterpret_cast<DWORD_PTR>(attempt));
    DWORD error = request == nullptr ? GetLastError() : 0;
    EnterCriticalSection(&http->lock);
    if (request != nullptr) {
        // Answered at once, as a platform may: as if it had completed.
        attempt->handle = request;
        attempt->completed = 1;
        attempt->result = reinterpret_cast<DWORD_PTR>(request);
    } else if (error != ERROR_IO_PENDING && attempt->handle == nullptr) {
        attempt->in_use = 0;
    }
    LeaveCriticalSection(&http->lock);
    if (request == nullptr && error != ERROR_IO_PENDING) {
        http->error = error;
        station_http_disconnect(http);
        http->state = HTTP_FAILED;
    }
    return 1;
}

int32_t station_http_poll(StationHttp* http) {
    EnterCriticalSection(&http->lock);
    station_http_close_handles(http, 0);
    StationAttempt* attempt = http->current;
    int completed = attempt != nullptr && attempt->completed == 1 ? 1 : 0;
    DWORD_PTR result = completed == 1 ? attempt->result : 0;
    DWORD error = completed == 1 ? attempt->error : 0;
    if (completed == 1) {
        attempt->completed = 0;
    }
    LeaveCriticalSection(&http->lock);
    if (completed == 0) {
        return http->state;
    }
    if (http->state == HTTP_OPENING) {
        if (result == 0) {
            http->error = error;
            http->state = HTTP_FAILED;
            return http->state;
        }
        EnterCriticalSection(&http->lock);
        attempt->handle = reinterpret_cast<HINTERNET>(result);
        LeaveCriticalSection(&http->lock);
        http->state = station_http_answered(http);
    } else if (http->state == HTTP_WAITING) {
        if (result == 0) {
            http->error = error;
            http->state = HTTP_FAILED;
        } else {
            http->state = station_http_ask(http);
        }
    }
    return http->state;
}

int station_http_header(StationHttp* http, DWORD query, const char* name, char* out, DWORD size) {
    if (http->current == nullptr || http->current->handle == nullptr || size == 0) {
        return 0;
    }
    DWORD length = size;
    DWORD index = 0;
    if (name != nullptr) {
        if (strlen(name) >= size) {
            return 0;
        }
        strcpy(out, name);
    }
    if (HttpQueryInfoA(http->current->handle, query, out, &length, &index) == FALSE ||
        length >= size) {
        out[0] = '\0';
        return 0;
    }
    out[length] = '\0';
    return 1;
}

DWORD station_http_read(StationHttp* http, uint8_t* into, DWORD room) {
    if (http->state == HTTP_ANSWERED) {
        http->state = station_http_ask(http);
    }
    if (http->state != HTTP_READABLE || room == 0) {
        return 0;
    }
    // Never more than is there: a read of more would wait for the rest,
    // and go on into the backlog after this call.
    DWORD asked = room < http->available ? room : http->available;
    StationAttempt* attempt = http->current;
    if (InternetReadFile(attempt->handle, into, asked, &attempt->read) == FALSE ||
        attempt->read > asked) {
        http->error = GetLastError();
        http->state = HTTP_FAILED;
        return 0;
    }
    DWORD read = attempt->read;
    http->available -= read;
    if (http->available == 0) {
        // Asked again at the next read, not now: a question left pending
        // would wake the player for every packet that arrives.
        http->state = HTTP_ANSWERED;
    }
    return read;
}

void station_http_disconnect(StationHttp* http) {
    if (http->current != nullptr) {
        EnterCriticalSection(&http->lock);
        http->current->current = 0;
        station_http_close_handles(http, 0);
        LeaveCriticalSection(&http->lock);
        http->current = nullptr;
    }
    http->state = HTTP_CLOSED;
    http->available = 0;
}

int station_http_close(StationHttp* http) {
    station_http_disconnect(http);
    int held = 0;
    EnterCriticalSection(&http->lock);
    station_http_close_handles(http, 1);
    for (const StationAttempt& attempt : http->attempts) {
        held += attempt.in_use;
    }
    LeaveCriticalSection(&http->lock);
    if (held > 0) {
        return 0;
    }
    if (http->session != nullptr) {
        InternetCloseHandle(http->session);
        http->session = nullptr;
    }
    DeleteCriticalSection(&http->lock);
    return 1;
}
