// WinINet's asynchronous mode over libcurl. A session is a curl multi handle
// with a worker thread of its own; every call returns at once, and what the
// network does arrives as status callbacks from the worker, never with a
// lock held: INTERNET_STATUS_HANDLE_CREATED before a request is sent (so an
// option set then applies to it), INTERNET_STATUS_REQUEST_COMPLETE when an
// open's headers are in or fail and when a pending
// InternetQueryDataAvailable has bytes to report, INTERNET_STATUS_HANDLE_
// CLOSING last of all for a request. As on the platform, no callback is
// made for a context of 0, and an open that fails closes its own request.
//
// Offered: sessions in the asynchronous mode (others are refused), http://
// and https:// addresses with extra request headers, redirects followed
// (at most 10) or not (INTERNET_FLAG_NO_AUTO_REDIRECT), the connect and
// receive time limits (a transfer that receives nothing for the receive
// limit fails), the status code, any response header by name, and the
// body as it arrives. Certificates are always checked against the system's
// authorities. Bounded: 64 KiB of response headers (a longer head fails as
// an invalid response) and 256 KiB of unread body (the transfer pauses
// until the reader catches up). A read of more than has arrived before the
// body's end is refused: the platform's would go on asynchronously into
// the caller's buffer. A query left pending writes its count where its
// caller pointed when it completes or its request closes, after the call
// returned, as the platform's does.
#include "platform/native/wininet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/native/files.h"
#include "platform/native/standin.h"

namespace {

constexpr size_t BODY_HIGH_WATER = 256 * 1024;
constexpr size_t HEADERS_MAX = 64 * 1024;
constexpr long REDIRECTS_MAX = 10;
// WinINet's own limits when none are set.
constexpr DWORD DEFAULT_CONNECT_TIMEOUT_MS = 60000;
constexpr DWORD DEFAULT_RECEIVE_TIMEOUT_MS = 30000;

struct Event {
    HINTERNET handle;
    DWORD_PTR context;
    DWORD status;
    INTERNET_ASYNC_RESULT result;
};

struct Session;

struct Request {
    Session* session = nullptr;
    HINTERNET handle = nullptr;
    DWORD_PTR context = 0;
    std::string url;
    std::vector<std::string> extra_headers;
    DWORD flags = 0;
    DWORD connect_timeout = 0;
    DWORD receive_timeout = 0;
    CURL* easy = nullptr;
    curl_slist* header_list = nullptr;
    bool created = false;  // HANDLE_CREATED sent
    bool started = false;  // in the multi handle
    bool opened = false;   // the final answer's headers are in
    bool done = false;     // the transfer has ended
    bool closed = false;   // closed by the caller, or by a failed open
    bool closing_sent = false;
    bool query_pending = false;
    // Where a pending query's count goes when it completes: the caller's,
    // written after its call returned, as the platform writes it.
    LPDWORD query_count = nullptr;
    bool paused = false;
    bool head_too_long = false;
    DWORD failure = 0;
    long status = 0;
    size_t header_bytes = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

struct Session {
    HINTERNET handle = nullptr;
    std::string agent;
    std::mutex lock;
    INTERNET_STATUS_CALLBACK callback = nullptr;
    DWORD connect_timeout = DEFAULT_CONNECT_TIMEOUT_MS;
    DWORD receive_timeout = DEFAULT_RECEIVE_TIMEOUT_MS;
    CURLM* multi = nullptr;
    std::vector<std::shared_ptr<Request>> requests;
    std::deque<Event> events;
    bool closed = false;
};

// The open handles: a session's, or a request's with its session.
struct Handle {
    std::shared_ptr<Session> session;
    std::shared_ptr<Request> request;
};

// Never destroyed: a session's worker may still be at work while the
// process ends, after static objects are gone.
std::mutex& registry_lock = *new std::mutex;
std::map<HINTERNET, Handle>& registry = *new std::map<HINTERNET, Handle>;
uintptr_t next_handle = 0x1000;

HINTERNET register_handle(const Handle& handle) {
    std::lock_guard<std::mutex> hold(registry_lock);
    HINTERNET made = reinterpret_cast<HINTERNET>(next_handle++);
    registry[made] = handle;
    return made;
}

Handle find_handle(HINTERNET handle) {
    std::lock_guard<std::mutex> hold(registry_lock);
    auto found = registry.find(handle);
    return found != registry.end() ? found->second : Handle{};
}

long long number_of(HINTERNET handle) {
    return static_cast<long long>(reinterpret_cast<uintptr_t>(handle));
}

// With the session's lock held.
void post(Session* session, HINTERNET handle, DWORD_PTR context, DWORD status, DWORD_PTR result = 0,
          DWORD error = 0) {
    if (context != 0) {
        session->events.push_back(Event{handle, context, status, {result, error}});
    }
}

DWORD error_of(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT:
            return ERROR_INTERNET_TIMEOUT;
        case CURLE_PEER_FAILED_VERIFICATION:
            return ERROR_INTERNET_INVALID_CA;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
            return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        case CURLE_TOO_MANY_REDIRECTS:
            return ERROR_HTTP_REDIRECT_FAILED;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_WRITE_ERROR:
            return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_RECV_ERROR:
            return ERROR_INTERNET_CONNECTION_RESET;
        default:
            return ERROR_INTERNET_CONNECTION_ABORTED;
    }
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    Request* request = static_cast<Request*>(user);
    size_t bytes = size * count;
    std::lock_guard<std::mutex> hold(request->session->lock);
    request->header_bytes += bytes;
    if (request->closed || request->header_bytes > HEADERS_MAX) {
        request->head_too_long = request->header_bytes > HEADERS_MAX;
        return 0;
    }
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    if (line.rfind("HTTP/", 0) == 0 || line.rfind("ICY ", 0) == 0) {
        size_t space = line.find(' ');
        request->status = strtol(line.c_str() + space + 1, nullptr, 10);
        request->headers.clear();
    } else if (!line.empty()) {
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            size_t value = line.find_first_not_of(" \t", colon + 1);
            request->headers.emplace_back(line.substr(0, colon),
                                          value == std::string::npos ? "" : line.substr(value));
        }
    } else if (!request->opened && request->status >= 200) {
        // A redirect that curl follows is not the final answer.
        bool followed = !(request->flags & INTERNET_FLAG_NO_AUTO_REDIRECT) &&
                        request->status >= 300 && request->status < 400 &&
                        std::any_of(request->headers.begin(), request->headers.end(),
                                    [](const std::pair<std::string, std::string>& header) {
                                        return strcasecmp(header.first.c_str(), "Location") == 0;
                                    });
        if (!followed) {
            request->opened = true;
            post(request->session, request->handle, request->context,
                 INTERNET_STATUS_REQUEST_COMPLETE, reinterpret_cast<DWORD_PTR>(request->handle));
        }
    }
    return bytes;
}

// A pending query ends: its count is written where its caller pointed.
// With the session's lock held.
void end_query(Request* request, DWORD count) {
    request->query_pending = false;
    *request->query_count = count;
    request->query_count = nullptr;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    Request* request = static_cast<Request*>(user);
    size_t bytes = size * count;
    std::lock_guard<std::mutex> hold(request->session->lock);
    if (request->closed) {
        return 0;
    }
    if (request->body.size() >= BODY_HIGH_WATER) {
        request->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    request->body.append(data, bytes);
    if (request->query_pending) {
        end_query(request, static_cast<DWORD>(request->body.size()));
        post(request->session, request->handle, request->context, INTERNET_STATUS_REQUEST_COMPLETE,
             TRUE, static_cast<DWORD>(request->body.size()));
    }
    return bytes;
}

// The request's transfer, as the options set by now say.
void configure(Session* session, Request* request) {
    CURL* easy = request->easy;
    curl_easy_setopt(easy, CURLOPT_URL, request->url.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, session->agent.c_str());
    for (const std::string& header : request->extra_headers) {
        request->header_list = curl_slist_append(request->header_list, header.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request->header_list);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION,
                     (request->flags & INTERNET_FLAG_NO_AUTO_REDIRECT) ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, REDIRECTS_MAX);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request->connect_timeout));
    // Nothing received for the receive limit fails the transfer.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, static_cast<long>((request->receive_timeout + 999) / 1000)));
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // The machine's own addresses never go through a proxy.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, request);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request);
}

// The transfer ended, well or not. With the session's lock held.
void finish(Session* session, Request* request, CURLcode code) {
    request->done = true;
    if (code != CURLE_OK) {
        request->failure =
            request->head_too_long ? ERROR_HTTP_INVALID_SERVER_RESPONSE : error_of(code);
    }
    if (!request->opened && !request->closed) {
        post(session, request->handle, request->context, INTERNET_STATUS_REQUEST_COMPLETE, 0,
             request->failure != 0 ? request->failure : ERROR_HTTP_INVALID_SERVER_RESPONSE);
        // An open that fails lets go of its own request.
        request->closed = true;
        std::lock_guard<std::mutex> hold(registry_lock);
        registry.erase(request->handle);
    } else if (request->query_pending) {
        end_query(request, 0);
        post(session, request->handle, request->context, INTERNET_STATUS_REQUEST_COMPLETE,
             request->failure == 0 ? TRUE : 0, request->failure);
    }
}

void deliver(Session* session) {
    for (;;) {
        Event event;
        INTERNET_STATUS_CALLBACK callback = nullptr;
        {
            std::lock_guard<std::mutex> hold(session->lock);
            if (session->events.empty()) {
                return;
            }
            event = session->events.front();
            session->events.pop_front();
            callback = session->callback;
        }
        if (callback == nullptr) {
            continue;
        }
        if (event.status == INTERNET_STATUS_REQUEST_COMPLETE) {
            callback(event.handle, event.context, event.status, &event.result, sizeof event.result);
        } else {
            callback(event.handle, event.context, event.status, &event.handle, sizeof event.handle);
        }
    }
}

// The session's worker: starts, pauses, resumes and ends the transfers,
// and makes the callbacks, until the session is closed and every request
// has had its last one.
void run(std::shared_ptr<Session> session) {
    for (;;) {
        std::vector<Request*> to_start;
        std::vector<Request*> to_resume;
        bool ending = false;
        {
            std::lock_guard<std::mutex> hold(session->lock);
            auto& requests = session->requests;
            for (auto it = requests.begin(); it != requests.end();) {
                Request* request = it->get();
                if (request->closed && request->created) {
                    if (request->started) {
                        curl_multi_remove_handle(session->multi, request->easy);
                    }
                    curl_easy_cleanup(request->easy);
                    curl_slist_free_all(request->header_list);
                    if (request->query_pending) {
                        end_query(request, 0);
                    }
                    post(session.get(), request->handle, request->context,
                         INTERNET_STATUS_HANDLE_CLOSING);
                    it = requests.erase(it);
                    continue;
                }
                if (!request->created) {
                    to_start.push_back(request);
                } else if (request->paused && request->body.size() < BODY_HIGH_WATER / 2) {
                    request->paused = false;
                    to_resume.push_back(request);
                }
                ++it;
            }
            ending = session->closed && requests.empty();
        }
        deliver(session.get());
        if (ending) {
            break;
        }
        for (Request* request : to_start) {
            // Created first, so that options set on hearing of it apply.
            {
                std::lock_guard<std::mutex> hold(session->lock);
                request->created = true;
                post(session.get(), request->handle, request->context,
                     INTERNET_STATUS_HANDLE_CREATED);
            }
            deliver(session.get());
            std::lock_guard<std::mutex> hold(session->lock);
            if (!request->closed) {
                configure(session.get(), request);
                curl_multi_add_handle(session->multi, request->easy);
                request->started = true;
            }
        }
        for (Request* request : to_resume) {
            curl_easy_pause(request->easy, CURLPAUSE_CONT);
        }
        int running = 0;
        curl_multi_perform(session->multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(session->multi, &left)) {
            if (message->msg != CURLMSG_DONE) {
                continue;
            }
            std::lock_guard<std::mutex> hold(session->lock);
            for (const auto& request : session->requests) {
                if (request->easy == message->easy_handle) {
                    finish(session.get(), request.get(), message->data.result);
                }
            }
        }
        deliver(session.get());
        curl_multi_poll(session->multi, nullptr, 0, 100, nullptr);
    }
    curl_multi_cleanup(session->multi);
}

void wake(Session* session) {
    curl_multi_wakeup(session->multi);
}

}  // namespace

HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR, LPCSTR, DWORD flags) {
    plat::Trace trace("InternetOpenA");
    trace.str(agent).num(access_type).num(flags);
    static std::once_flag curl_ready;
    std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    HINTERNET result = nullptr;
    if (!(flags & INTERNET_FLAG_ASYNC) || access_type != INTERNET_OPEN_TYPE_PRECONFIG) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (plat::fault("InternetOpenA")) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
    } else {
        auto session = std::make_shared<Session>();
        session->agent = agent != nullptr ? agent : "";
        session->multi = curl_multi_init();
        result = register_handle(Handle{session, nullptr});
        session->handle = result;
        std::thread(run, session).detach();
    }
    trace.ret(number_of(result));
    return result;
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallbackA(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback) {
    Handle found = find_handle(handle);
    INTERNET_STATUS_CALLBACK result = INTERNET_INVALID_STATUS_CALLBACK;
    if (found.session == nullptr || found.request != nullptr ||
        plat::fault("InternetSetStatusCallbackA")) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    } else {
        std::lock_guard<std::mutex> hold(found.session->lock);
        result = found.session->callback;
        found.session->callback = callback;
    }
    plat::Trace("InternetSetStatusCallbackA")
        .num(number_of(handle))
        .ret_sym(result == INTERNET_INVALID_STATUS_CALLBACK ? "INVALID" : "ok");
    return result;
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD buffer_length) {
    Handle found = find_handle(handle);
    BOOL result = FALSE;
    bool timeout =
        option == INTERNET_OPTION_CONNECT_TIMEOUT || option == INTERNET_OPTION_RECEIVE_TIMEOUT;
    if (found.session == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else if (!timeout || buffer == nullptr || buffer_length != sizeof(DWORD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (plat::fault("InternetSetOptionA")) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
    } else {
        DWORD value = *static_cast<DWORD*>(buffer);
        std::lock_guard<std::mutex> hold(found.session->lock);
        bool connect = option == INTERNET_OPTION_CONNECT_TIMEOUT;
        if (found.request != nullptr) {
            (connect ? found.request->connect_timeout : found.request->receive_timeout) = value;
        } else {
            (connect ? found.session->connect_timeout : found.session->receive_timeout) = value;
        }
        result = TRUE;
    }
    plat::Trace("InternetSetOptionA")
        .num(number_of(handle))
        .num(option)
        .num(buffer != nullptr && buffer_length == sizeof(DWORD) ? *static_cast<DWORD*>(buffer) : 0)
        .ret(result);
    return result;
}

HINTERNET InternetOpenUrlA(HINTERNET session_handle, LPCSTR url, LPCSTR headers,
                           DWORD headers_length, DWORD flags, DWORD_PTR context) {
    plat::Trace trace("InternetOpenUrlA");
    trace.num(number_of(session_handle)).str(url).num(flags);
    Handle found = find_handle(session_handle);
    DWORD error = ERROR_IO_PENDING;
    if (found.session == nullptr || found.request != nullptr) {
        error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
    } else if (url == nullptr ||
               (strncasecmp(url, "http://", 7) != 0 && strncasecmp(url, "https://", 8) != 0)) {
        error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    } else if (plat::fault("InternetOpenUrlA")) {
        error = ERROR_INTERNET_CANNOT_CONNECT;
    } else {
        auto request = std::make_shared<Request>();
        request->session = found.session.get();
        request->context = context;
        request->url = url;
        request->flags = flags;
        std::string text;
        if (headers != nullptr) {
            text = headers_length == static_cast<DWORD>(-1) ? std::string(headers)
                                                            : std::string(headers, headers_length);
        }
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find("\r\n", start);
            end = end == std::string::npos ? text.size() : end;
            if (end > start) {
                request->extra_headers.push_back(text.substr(start, end - start));
            }
            start = end + 2;
        }
        request->easy = curl_easy_init();
        request->handle = register_handle(Handle{found.session, request});
        std::lock_guard<std::mutex> hold(found.session->lock);
        request->connect_timeout = found.session->connect_timeout;
        request->receive_timeout = found.session->receive_timeout;
        found.session->requests.push_back(request);
        wake(found.session.get());
    }
    SetLastError(error);
    trace.ret(0).num(error);
    return nullptr;
}

BOOL HttpQueryInfoA(HINTERNET handle, DWORD level, LPVOID buffer, LPDWORD buffer_length,
                    LPDWORD index) {
    plat::Trace trace("HttpQueryInfoA");
    DWORD query = level & 0xFFFF;
    trace.num(number_of(handle)).num(level);
    Handle found = find_handle(handle);
    DWORD error = ERROR_SUCCESS;
    std::string text;
    if (found.request == nullptr) {
        error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
    } else if (buffer == nullptr || buffer_length == nullptr) {
        error = ERROR_INVALID_PARAMETER;
    } else if (plat::fault("HttpQueryInfoA")) {
        error = ERROR_HTTP_HEADER_NOT_FOUND;
    } else {
        std::lock_guard<std::mutex> hold(found.session->lock);
        Request* request = found.request.get();
        std::string name =
            query == HTTP_QUERY_CONTENT_TYPE ? "Content-Type"
            : query == HTTP_QUERY_LOCATION   ? "Location"
            : query == HTTP_QUERY_CUSTOM
                ? std::string(static_cast<const char*>(buffer),
                              strnlen(static_cast<const char*>(buffer), *buffer_length))
                : "";
        DWORD wanted = index != nullptr ? *index : 0;
        bool known = false;
        if (!request->opened) {
            error = ERROR_HTTP_HEADER_NOT_FOUND;
        } else if (query == HTTP_QUERY_STATUS_CODE) {
            text = std::to_string(request->status);
            known = true;
        } else {
            for (const auto& header : request->headers) {
                if (!name.empty() && strcasecmp(header.first.c_str(), name.c_str()) == 0 &&
                    wanted-- == 0) {
                    text = header.second;
                    known = true;
                    break;
                }
            }
            error = known ? ERROR_SUCCESS : ERROR_HTTP_HEADER_NOT_FOUND;
        }
        if (known && (level & HTTP_QUERY_FLAG_NUMBER)) {
            if (*buffer_length < sizeof(DWORD)) {
                error = ERROR_INSUFFICIENT_BUFFER;
                *buffer_length = sizeof(DWORD);
            } else {
                *static_cast<DWORD*>(buffer) =
                    static_cast<DWORD>(strtoul(text.c_str(), nullptr, 10));
                *buffer_length = sizeof(DWORD);
            }
        } else if (known && text.size() + 1 > *buffer_length) {
            error = ERROR_INSUFFICIENT_BUFFER;
            *buffer_length = static_cast<DWORD>(text.size() + 1);
        } else if (known) {
            memcpy(buffer, text.c_str(), text.size() + 1);
            *buffer_length = static_cast<DWORD>(text.size());
        }
        if (known && error == ERROR_SUCCESS && index != nullptr) {
            ++*index;
        }
    }
    SetLastError(error);
    trace.ret(error == ERROR_SUCCESS).num(error).str(text.c_str());
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL InternetQueryDataAvailable(HINTERNET handle, LPDWORD available, DWORD flags,
                                DWORD_PTR context) {
    plat::Trace trace("InternetQueryDataAvailable");
    trace.num(number_of(handle)).num(flags);
    Handle found = find_handle(handle);
    DWORD error = ERROR_SUCCESS;
    DWORD count = 0;
    if (found.request == nullptr || !found.request->opened) {
        error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
    } else if (available == nullptr) {
        error = ERROR_INVALID_PARAMETER;
    } else if (plat::fault("InternetQueryDataAvailable")) {
        error = ERROR_INTERNET_CONNECTION_ABORTED;
    } else {
        std::lock_guard<std::mutex> hold(found.session->lock);
        Request* request = found.request.get();
        if (context != 0) {
            request->context = context;
        }
        if (!request->body.empty()) {
            count = static_cast<DWORD>(request->body.size());
        } else if (request->failure != 0) {
            error = request->failure;
        } else if (!request->done) {
            error = ERROR_IO_PENDING;
        }
        // Written before a pending query is known to the worker, which
        // writes the count from then on.
        *available = count;
        if (error == ERROR_IO_PENDING) {
            request->query_pending = true;
            request->query_count = available;
        }
        if (request->paused) {
            wake(found.session.get());
        }
    }
    SetLastError(error);
    trace.ret(error == ERROR_SUCCESS).num(error).num(count);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL InternetReadFile(HINTERNET handle, LPVOID buffer, DWORD to_read, LPDWORD read) {
    plat::Trace trace("InternetReadFile");
    trace.num(number_of(handle)).num(to_read);
    Handle found = find_handle(handle);
    DWORD error = ERROR_SUCCESS;
    DWORD taken = 0;
    if (found.request == nullptr || !found.request->opened) {
        error = ERROR_INTERNET_INCORRECT_HANDLE_TYPE;
    } else if (read == nullptr || (buffer == nullptr && to_read > 0)) {
        error = ERROR_INVALID_PARAMETER;
    } else if (plat::fault("InternetReadFile")) {
        error = ERROR_INTERNET_CONNECTION_ABORTED;
    } else {
        std::lock_guard<std::mutex> hold(found.session->lock);
        Request* request = found.request.get();
        if (to_read > request->body.size() && !request->done) {
            error = ERROR_INVALID_PARAMETER;
        } else if (request->body.empty() && request->failure != 0) {
            error = request->failure;
        } else {
            taken = static_cast<DWORD>(std::min<size_t>(to_read, request->body.size()));
            memcpy(buffer, request->body.data(), taken);
            request->body.erase(0, taken);
            if (request->paused) {
                wake(found.session.get());
            }
        }
    }
    if (read != nullptr) {
        *read = taken;
    }
    SetLastError(error);
    trace.ret(error == ERROR_SUCCESS).num(error).num(taken);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
    Handle found;
    {
        std::lock_guard<std::mutex> hold(registry_lock);
        auto it = registry.find(handle);
        if (it != registry.end()) {
            found = it->second;
            registry.erase(it);
        }
    }
    BOOL result = FALSE;
    if (found.session == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else {
        std::lock_guard<std::mutex> hold(found.session->lock);
        if (found.request != nullptr) {
            found.request->closed = true;
        } else {
            // The session's requests go with it.
            found.session->closed = true;
            for (const auto& request : found.session->requests) {
                request->closed = true;
            }
            std::lock_guard<std::mutex> hold_registry(registry_lock);
            for (auto it = registry.begin(); it != registry.end();) {
                it = it->second.session == found.session ? registry.erase(it) : std::next(it);
            }
        }
        wake(found.session.get());
        result = TRUE;
    }
    plat::Trace("InternetCloseHandle").num(number_of(handle)).ret(result);
    return result;
}
