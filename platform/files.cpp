// Files, temporary files and read-only mappings over POSIX, with the
// platform's handles and last-error codes; and the code page conversion,
// whose code page is UTF-8. Sharing modes, attributes and overlapped I/O
// are not looked at; a folder opened as a file, an unknown disposition, a
// mapping that is not read-only, and deleting a file that a filter graph
// still reads are refused with the platform's errors.
#include "platform/native/files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/files_state.h"
#include "platform/native/standin.h"
#include "platform/sync_handles.h"
#include "platform/utf8.h"

namespace {

// A file or a mapping of one; the handle the module holds is its address.
struct NativeHandle {
    bool mapping;
    int fd;
    size_t size;  // a mapping's length
};

std::mutex lock;
std::set<NativeHandle*> handles;
std::map<const void*, size_t> views;
std::multiset<std::string> held_files;

// One name for a file however a path spells it.
std::string file_identity(const std::string& path) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}
thread_local DWORD last_error = ERROR_SUCCESS;

DWORD error_from_errno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

NativeHandle* live(HANDLE handle, bool mapping) {
    auto* h = static_cast<NativeHandle*>(handle);
    std::lock_guard<std::mutex> hold(lock);
    return handles.count(h) != 0 && h->mapping == mapping ? h : nullptr;
}

bool file_held(const std::string& path) {
    std::string identity = file_identity(path);
    std::lock_guard<std::mutex> hold(lock);
    return held_files.count(identity) != 0;
}

HANDLE keep(int fd, bool mapping, size_t size) {
    auto* h = new NativeHandle{mapping, fd, size};
    std::lock_guard<std::mutex> hold(lock);
    handles.insert(h);
    return h;
}

// A handle's number in the trace: its place among the open ones is not
// stable, so the descriptor stands for it.
long long handle_number(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return -1;
    }
    return handle == nullptr ? 0 : static_cast<NativeHandle*>(handle)->fd;
}

const char* disposition_name(DWORD disposition) {
    switch (disposition) {
        case CREATE_NEW:
            return "CREATE_NEW";
        case CREATE_ALWAYS:
            return "CREATE_ALWAYS";
        case OPEN_EXISTING:
            return "OPEN_EXISTING";
        case OPEN_ALWAYS:
            return "OPEN_ALWAYS";
        case TRUNCATE_EXISTING:
            return "TRUNCATE_EXISTING";
        default:
            return "unknown-disposition";
    }
}

const char* access_name(DWORD access) {
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    return read && write ? "GENERIC_READ|GENERIC_WRITE"
           : read        ? "GENERIC_READ"
           : write       ? "GENERIC_WRITE"
                         : "0";
}

}  // namespace

namespace plat {

int open_file_handles() {
    std::lock_guard<std::mutex> hold(lock);
    return static_cast<int>(handles.size());
}

int mapped_views() {
    std::lock_guard<std::mutex> hold(lock);
    return static_cast<int>(views.size());
}

void hold_file(const std::string& path) {
    std::string identity = file_identity(path);
    std::lock_guard<std::mutex> hold(lock);
    held_files.insert(identity);
}

void let_go_file(const std::string& path) {
    std::string identity = file_identity(path);
    std::lock_guard<std::mutex> hold(lock);
    auto found = held_files.find(identity);
    if (found != held_files.end()) {
        held_files.erase(found);
    }
}

}  // namespace plat

DWORD GetLastError(void) {
    return last_error;
}

void SetLastError(DWORD error) {
    last_error = error;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    DWORD result = 0;
    if (plat::fault("GetTempPathA")) {
        last_error = ERROR_ACCESS_DENIED;
    } else {
        const char* dir = getenv("TMPDIR");
        std::string path = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
        if (path.back() != '/') {
            path += '/';
        }
        // Too small a buffer gets nothing and learns the size it needs.
        if (buffer != nullptr && path.size() < size) {
            memcpy(buffer, path.c_str(), path.size() + 1);
            result = static_cast<DWORD>(path.size());
        } else {
            result = static_cast<DWORD>(path.size() + 1);
        }
    }
    plat::Trace("GetTempPathA").num(size).ret(result);
    return result;
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name) {
    plat::Trace trace("GetTempFileNameA");
    trace.str(path).str(prefix).num(unique);
    UINT result = 0;
    std::string folder = plat::native_path(path);
    struct stat info;
    if (plat::fault("GetTempFileNameA")) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (path == nullptr || temp_file_name == nullptr || stat(folder.c_str(), &info) != 0 ||
               !S_ISDIR(info.st_mode)) {
        last_error = ERROR_DIRECTORY;
    } else {
        if (!folder.empty() && folder.back() != '/') {
            folder += '/';
        }
        // Up to three characters of the prefix, then four hex digits.
        std::string start = folder + std::string(prefix != nullptr ? prefix : "").substr(0, 3);
        char name[32];
        if (unique != 0) {
            snprintf(name, sizeof name, "%X.TMP", unique & 0xFFFF);
            std::string full = start + name;
            if (full.size() < MAX_PATH) {
                memcpy(temp_file_name, full.c_str(), full.size() + 1);
                result = unique;
            }
        } else {
            // A free number, made into a file at once so that no other
            // caller can take it.
            UINT first = static_cast<UINT>((getpid() + rand()) & 0xFFFF);
            for (UINT i = 0; i < 0x10000 && result == 0; ++i) {
                UINT number = ((first + i) & 0xFFFF) == 0 ? 1 : ((first + i) & 0xFFFF);
                snprintf(name, sizeof name, "%X.TMP", number);
                std::string full = start + name;
                if (full.size() >= MAX_PATH) {
                    last_error = ERROR_INVALID_PARAMETER;
                    break;
                }
                int fd = open(full.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
                if (fd >= 0) {
                    close(fd);
                    memcpy(temp_file_name, full.c_str(), full.size() + 1);
                    result = number;
                } else if (errno != EEXIST) {
                    last_error = error_from_errno(errno);
                    break;
                }
            }
        }
    }
    trace.ret(result);
    if (result != 0) {
        trace.str(temp_file_name);
    }
    return result;
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    plat::Trace trace("CreateFileA");
    trace.str(name).sym(access_name(access)).sym(disposition_name(disposition));
    HANDLE result = INVALID_HANDLE_VALUE;
    int flags = O_CLOEXEC;
    bool read = (access & GENERIC_READ) != 0;
    bool write = (access & GENERIC_WRITE) != 0;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    bool known = true;
    switch (disposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_EXISTING:
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            flags |= O_TRUNC;
            break;
        default:
            known = false;
    }
    std::string path = plat::native_path(name);
    struct stat info;
    if (plat::fault("CreateFileA")) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (name == nullptr || !known) {
        last_error = ERROR_INVALID_PARAMETER;
    } else if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        last_error = ERROR_ACCESS_DENIED;
    } else {
        int fd = open(path.c_str(), flags, 0644);
        if (fd < 0) {
            last_error = error_from_errno(errno);
        } else {
            result = keep(fd, false, 0);
            last_error = ERROR_SUCCESS;
        }
    }
    trace.ret(handle_number(result));
    return result;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, LPDWORD written, LPOVERLAPPED) {
    BOOL result = FALSE;
    DWORD done = 0;
    NativeHandle* h = live(file, false);
    if (plat::fault("WriteFile")) {
        last_error = ERROR_DISK_FULL;
    } else if (h == nullptr) {
        last_error = ERROR_INVALID_HANDLE;
    } else if (buffer == nullptr && bytes != 0) {
        last_error = ERROR_INVALID_PARAMETER;
    } else {
        result = TRUE;
        const char* at = static_cast<const char*>(buffer);
        while (done < bytes) {
            ssize_t n = write(h->fd, at + done, bytes - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                last_error = n < 0 ? error_from_errno(errno) : ERROR_DISK_FULL;
                result = FALSE;
                break;
            }
            done += static_cast<DWORD>(n);
        }
    }
    if (written != nullptr) {
        *written = done;
    }
    plat::Trace("WriteFile").num(handle_number(file)).num(bytes).ret(result).num(done);
    return result;
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
    DWORD result = INVALID_FILE_SIZE;
    NativeHandle* h = live(file, false);
    struct stat info;
    if (plat::fault("GetFileSize")) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (h == nullptr) {
        last_error = ERROR_INVALID_HANDLE;
    } else if (fstat(h->fd, &info) != 0) {
        last_error = error_from_errno(errno);
    } else {
        uint64_t size = static_cast<uint64_t>(info.st_size);
        result = static_cast<DWORD>(size & 0xFFFFFFFFu);
        if (size_high != nullptr) {
            *size_high = static_cast<DWORD>(size >> 32);
        }
        last_error = ERROR_SUCCESS;
    }
    plat::Trace("GetFileSize").num(handle_number(file)).ret(result);
    return result;
}

BOOL CloseHandle(HANDLE object) {
    BOOL result = FALSE;
    long long number = object == nullptr ? 0 : -1;
    auto* h = static_cast<NativeHandle*>(object);
    if (plat::fault("CloseHandle")) {
        last_error = ERROR_INVALID_HANDLE;
    } else if (plat::close_sync_handle(object, &number)) {
        result = TRUE;
    } else {
        std::lock_guard<std::mutex> hold(lock);
        if (handles.erase(h) != 0) {
            number = h->fd;
            close(h->fd);
            delete h;
            result = TRUE;
        } else {
            last_error = ERROR_INVALID_HANDLE;
        }
    }
    plat::Trace("CloseHandle").num(number).ret(result);
    return result;
}

BOOL DeleteFileA(LPCSTR name) {
    BOOL result = FALSE;
    std::string path = plat::native_path(name);
    struct stat info;
    if (plat::fault("DeleteFileA")) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (name == nullptr) {
        last_error = ERROR_INVALID_PARAMETER;
    } else if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (file_held(path)) {
        last_error = ERROR_SHARING_VIOLATION;
    } else if (unlink(path.c_str()) != 0) {
        last_error = error_from_errno(errno);
    } else {
        result = TRUE;
    }
    plat::Trace("DeleteFileA").str(name).ret(result);
    return result;
}

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD size_high,
                          DWORD size_low, LPCSTR) {
    plat::Trace trace("CreateFileMappingA");
    trace.num(handle_number(file)).sym(protect == PAGE_READONLY ? "PAGE_READONLY" : "other");
    trace.num(static_cast<long long>((uint64_t(size_high) << 32) | size_low));
    HANDLE result = nullptr;
    NativeHandle* h = live(file, false);
    struct stat info;
    if (plat::fault("CreateFileMappingA")) {
        last_error = ERROR_ACCESS_DENIED;
    } else if (h == nullptr) {
        last_error = ERROR_INVALID_HANDLE;
    } else if (protect != PAGE_READONLY) {
        // Only read-only mappings are offered.
        last_error = ERROR_INVALID_PARAMETER;
    } else if (fstat(h->fd, &info) != 0) {
        last_error = error_from_errno(errno);
    } else {
        uint64_t wanted = (uint64_t(size_high) << 32) | size_low;
        uint64_t size = wanted != 0 ? wanted : static_cast<uint64_t>(info.st_size);
        if (size == 0) {
            // An empty file cannot be mapped whole.
            last_error = ERROR_FILE_INVALID;
        } else if (size > static_cast<uint64_t>(info.st_size)) {
            last_error = ERROR_ACCESS_DENIED;
        } else {
            // The mapping keeps the file open after its handle closes.
            int fd = dup(h->fd);
            if (fd < 0) {
                last_error = error_from_errno(errno);
            } else {
                result = keep(fd, true, static_cast<size_t>(size));
            }
        }
    }
    trace.ret(handle_number(result));
    return result;
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offset_high, DWORD offset_low,
                     SIZE_T bytes) {
    plat::Trace trace("MapViewOfFile");
    trace.num(handle_number(mapping)).sym(access == FILE_MAP_READ ? "FILE_MAP_READ" : "other");
    uint64_t offset = (uint64_t(offset_high) << 32) | offset_low;
    trace.num(static_cast<long long>(offset)).num(static_cast<long long>(bytes));
    void* view = nullptr;
    NativeHandle* h = live(mapping, true);
    if (plat::fault("MapViewOfFile")) {
        last_error = ERROR_NOT_ENOUGH_MEMORY;
    } else if (h == nullptr) {
        last_error = ERROR_INVALID_HANDLE;
    } else if (access != FILE_MAP_READ || offset % static_cast<uint64_t>(getpagesize()) != 0 ||
               offset >= h->size || (bytes != 0 && offset + bytes > h->size)) {
        last_error = ERROR_ACCESS_DENIED;
    } else {
        size_t length = bytes != 0 ? bytes : static_cast<size_t>(h->size - offset);
        void* mapped =
            mmap(nullptr, length, PROT_READ, MAP_PRIVATE, h->fd, static_cast<off_t>(offset));
        if (mapped == MAP_FAILED) {
            last_error = error_from_errno(errno);
        } else {
            view = mapped;
            std::lock_guard<std::mutex> hold(lock);
            views[view] = length;
        }
    }
    trace.ret(view != nullptr);
    return view;
}

BOOL UnmapViewOfFile(LPCVOID view) {
    BOOL result = FALSE;
    if (plat::fault("UnmapViewOfFile")) {
        last_error = ERROR_INVALID_ADDRESS;
    } else {
        std::lock_guard<std::mutex> hold(lock);
        auto found = views.find(view);
        if (found == views.end()) {
            last_error = ERROR_INVALID_ADDRESS;
        } else {
            munmap(const_cast<void*>(found->first), found->second);
            views.erase(found);
            result = TRUE;
        }
    }
    plat::Trace("UnmapViewOfFile").ret(result);
    return result;
}

namespace {

// A conversion's result as both directions give it: with no room, the length
// it needs; else the converted text in the room, or 0 when it does not fit.
int hand_over(const void* converted, size_t length, size_t unit, void* room, int room_size) {
    if (room_size == 0) {
        return static_cast<int>(length);
    }
    if (length > static_cast<size_t>(room_size)) {
        last_error = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    memcpy(room, converted, length * unit);
    return static_cast<int>(length);
}

}  // namespace

// The stand-in's code page is UTF-8, the encoding of Linux file names; a
// byte that is not part of a valid sequence becomes U+FFFD, as Windows
// does without MB_ERR_INVALID_CHARS.
int MultiByteToWideChar(UINT code_page, DWORD, LPCSTR text, int bytes, LPWSTR wide, int wide_size) {
    plat::Trace trace("MultiByteToWideChar");
    trace.num(code_page).str(bytes < 0 ? text : nullptr).num(bytes).num(wide_size);
    if (plat::fault("MultiByteToWideChar") || text == nullptr || bytes == 0 || wide_size < 0 ||
        (wide == nullptr && wide_size != 0)) {
        last_error = ERROR_INVALID_PARAMETER;
        trace.ret(0);
        return 0;
    }
    size_t length = bytes < 0 ? strlen(text) + 1 : static_cast<size_t>(bytes);
    std::u16string out = plat::utf16_from_utf8(text, length);
    int result = hand_over(out.data(), out.size(), sizeof(char16_t), wide, wide_size);
    trace.ret(result);
    return result;
}

// Writes UTF-8, the stand-in's code page; an unpaired surrogate becomes
// U+FFFD. The default character is never needed.
int WideCharToMultiByte(UINT code_page, DWORD, LPCWSTR wide, int count, LPSTR text, int text_size,
                        LPCSTR, LPBOOL used_default) {
    plat::Trace trace("WideCharToMultiByte");
    trace.num(code_page).num(count).num(text_size);
    if (used_default != nullptr) {
        *used_default = FALSE;
    }
    if (plat::fault("WideCharToMultiByte") || wide == nullptr || count == 0 || text_size < 0 ||
        (text == nullptr && text_size != 0)) {
        last_error = ERROR_INVALID_PARAMETER;
        trace.ret(0);
        return 0;
    }
    size_t length = 0;
    if (count < 0) {
        while (wide[length] != 0) {
            ++length;
        }
        ++length;
    } else {
        length = static_cast<size_t>(count);
    }
    std::string out = plat::utf8_from_utf16(wide, length);
    int result = hand_over(out.data(), out.size(), 1, text, text_size);
    trace.ret(result);
    return result;
}
