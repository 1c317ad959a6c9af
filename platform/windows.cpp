// Window classes, windows and the posted-message queue. Nothing is drawn:
// a window is its procedure, which receives posted messages when the host
// pumps them on its own thread. Sent messages, timers, and classes
// registered twice are not offered; a message box is the host's dialog.
#include "platform/native/windows.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/native/standin.h"

struct HWND__ {
    WNDPROC procedure;
    std::string class_name;
};

namespace {

struct Posted {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::string upper(const char* name) {
    std::string result(name == nullptr ? "" : name);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return result;
}

std::map<std::string, WNDCLASSA> classes;
// Posting may come from any thread (the media graph's end of stream does).
std::mutex queue_lock;
std::deque<Posted> queue;
std::map<HWND, bool> live_windows;
std::function<int(const char*, const char*, UINT)> message_box_handler;

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    ATOM result = 0;
    if (window_class != nullptr && window_class->lpszClassName != nullptr &&
        !plat::fault("RegisterClassA")) {
        std::string name = upper(window_class->lpszClassName);
        if (classes.count(name) == 0) {
            classes[name] = *window_class;
            result = static_cast<ATOM>(0xC000 + classes.size());
        }
    }
    plat::Trace("RegisterClassA")
        .str(window_class != nullptr ? window_class->lpszClassName : nullptr)
        .ret(result);
    return result;
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    HWND window = nullptr;
    auto found = classes.find(upper(class_name));
    if (found != classes.end() && !plat::fault("CreateWindowExA")) {
        window = new HWND__{found->second.lpfnWndProc, found->first};
        std::lock_guard<std::mutex> hold(queue_lock);
        live_windows[window] = true;
    }
    plat::Trace("CreateWindowExA")
        .num(ex_style)
        .str(class_name)
        .num(style)
        .num(x)
        .num(y)
        .num(width)
        .num(height)
        .ret(window != nullptr);
    return window;
}

BOOL UpdateWindow(HWND window) {
    BOOL result = FALSE;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        result = live_windows.count(window) != 0 ? TRUE : FALSE;
    }
    plat::Trace("UpdateWindow").ret(result);
    return result;
}

BOOL DestroyWindow(HWND window) {
    BOOL result = FALSE;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        if (live_windows.erase(window) != 0) {
            // Messages still waiting for it go nowhere.
            for (Posted& posted : queue) {
                if (posted.window == window) {
                    posted.window = nullptr;
                }
            }
            delete window;
            result = TRUE;
        }
    }
    plat::Trace("DestroyWindow").ret(result);
    return result;
}

LRESULT DefWindowProcA(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
    plat::Trace("DefWindowProcA")
        .num(message)
        .num(static_cast<long long>(wparam))
        .num(lparam)
        .ret(0);
    return 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    std::lock_guard<std::mutex> hold(queue_lock);
    if (live_windows.count(window) == 0) {
        return FALSE;
    }
    queue.push_back(Posted{window, message, wparam, lparam});
    return TRUE;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    int result = IDOK;
    if (message_box_handler) {
        result = message_box_handler(text, caption, type);
    } else {
        fprintf(stderr, "message: %s: %s\n", caption != nullptr ? caption : "Error",
                text != nullptr ? text : "");
    }
    plat::Trace("MessageBoxA").str(text).str(caption).num(type).ret(result);
    return result;
}

namespace plat {

int pump_messages() {
    int delivered = 0;
    for (;;) {
        Posted posted;
        WNDPROC procedure = nullptr;
        {
            std::lock_guard<std::mutex> hold(queue_lock);
            if (queue.empty()) {
                break;
            }
            posted = queue.front();
            queue.pop_front();
            if (posted.window == nullptr || live_windows.count(posted.window) == 0) {
                continue;
            }
            procedure = posted.window->procedure;
        }
        if (procedure != nullptr) {
            procedure(posted.window, posted.message, posted.wparam, posted.lparam);
            ++delivered;
        }
    }
    return delivered;
}

void set_message_box_handler(std::function<int(const char*, const char*, UINT)> handler) {
    message_box_handler = std::move(handler);
}

}  // namespace plat
