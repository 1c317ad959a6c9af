// WinINet as a station is read through it: a session in the asynchronous
// mode, an address opened with extra request headers, the answer's headers
// queried, the body read as it arrives, and a status callback that reports
// each handle made, each request completed and each handle closed.
#pragma once

#include "platform/native/files.h"
#include "platform/native/types.h"

typedef void* HINTERNET;
typedef WORD INTERNET_PORT;

typedef void(CALLBACK* INTERNET_STATUS_CALLBACK)(HINTERNET handle, DWORD_PTR context, DWORD status,
                                                 LPVOID information, DWORD information_length);
#define INTERNET_INVALID_STATUS_CALLBACK ((INTERNET_STATUS_CALLBACK)(intptr_t)-1)

typedef struct {
    DWORD_PTR dwResult;
    DWORD dwError;
} INTERNET_ASYNC_RESULT, *LPINTERNET_ASYNC_RESULT;

#define INTERNET_OPEN_TYPE_PRECONFIG 0

#define INTERNET_FLAG_RELOAD 0x80000000
#define INTERNET_FLAG_ASYNC 0x10000000
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000
#define INTERNET_FLAG_NO_AUTO_REDIRECT 0x00200000
#define INTERNET_FLAG_NO_COOKIES 0x00080000
#define INTERNET_FLAG_NO_UI 0x00000200
#define INTERNET_FLAG_PRAGMA_NOCACHE 0x00000100

#define INTERNET_OPTION_CONNECT_TIMEOUT 2
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6

#define INTERNET_STATUS_HANDLE_CREATED 60
#define INTERNET_STATUS_HANDLE_CLOSING 70
#define INTERNET_STATUS_REQUEST_COMPLETE 100

#define HTTP_QUERY_CONTENT_TYPE 1
#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_LOCATION 33
#define HTTP_QUERY_CUSTOM 65535
#define HTTP_QUERY_FLAG_NUMBER 0x20000000

#define HTTP_STATUS_OK 200

#define ERROR_IO_PENDING 997
#define INTERNET_ERROR_BASE 12000
#define ERROR_INTERNET_TIMEOUT (INTERNET_ERROR_BASE + 2)
#define ERROR_INTERNET_INTERNAL_ERROR (INTERNET_ERROR_BASE + 4)
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME (INTERNET_ERROR_BASE + 6)
#define ERROR_INTERNET_NAME_NOT_RESOLVED (INTERNET_ERROR_BASE + 7)
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE (INTERNET_ERROR_BASE + 18)
#define ERROR_INTERNET_CANNOT_CONNECT (INTERNET_ERROR_BASE + 29)
#define ERROR_INTERNET_CONNECTION_ABORTED (INTERNET_ERROR_BASE + 30)
#define ERROR_INTERNET_CONNECTION_RESET (INTERNET_ERROR_BASE + 31)
#define ERROR_INTERNET_SEC_CERT_DATE_INVALID (INTERNET_ERROR_BASE + 37)
#define ERROR_INTERNET_SEC_CERT_CN_INVALID (INTERNET_ERROR_BASE + 38)
#define ERROR_INTERNET_INVALID_CA (INTERNET_ERROR_BASE + 45)
#define ERROR_HTTP_HEADER_NOT_FOUND (INTERNET_ERROR_BASE + 150)
#define ERROR_HTTP_INVALID_SERVER_RESPONSE (INTERNET_ERROR_BASE + 152)
#define ERROR_HTTP_REDIRECT_FAILED (INTERNET_ERROR_BASE + 156)
#define ERROR_INTERNET_SECURITY_CHANNEL_ERROR (INTERNET_ERROR_BASE + 157)

HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass,
                        DWORD flags);
INTERNET_STATUS_CALLBACK InternetSetStatusCallbackA(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback);
BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD buffer_length);
// In the asynchronous mode: null with ERROR_IO_PENDING, the request's
// handle coming with INTERNET_STATUS_HANDLE_CREATED and, once the answer's
// headers are in, INTERNET_STATUS_REQUEST_COMPLETE.
HINTERNET InternetOpenUrlA(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headers_length,
                           DWORD flags, DWORD_PTR context);
BOOL HttpQueryInfoA(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD buffer_length,
                    LPDWORD index);
// What can be read without waiting; when nothing can yet, FALSE with
// ERROR_IO_PENDING and INTERNET_STATUS_REQUEST_COMPLETE once something can.
// TRUE with 0 at the body's end.
BOOL InternetQueryDataAvailable(HINTERNET request, LPDWORD available, DWORD flags,
                                DWORD_PTR context);
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD to_read, LPDWORD read);
BOOL InternetCloseHandle(HINTERNET handle);
