// Files and paths, over POSIX. Both separators are accepted; '/' is
// produced. Drive letters, UNC names and short (8.3) names are not known:
// such a path is a relative path like any other. Moving a file across file
// systems is refused, as without MOVEFILE_COPY_ALLOWED.
#include "platform/native/paths.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/native/standin.h"

namespace fs = std::filesystem;

namespace plat {

std::string native_path(const char* path) {
    std::string result(path == nullptr ? "" : path);
    for (char& c : result) {
        if (c == '\\') {
            c = '/';
        }
    }
    return result;
}

}  // namespace plat

namespace {

// The file a module handle was loaded from: a dlopen handle knows its path;
// the null handle (and the main program's) names the executable.
std::string module_path(HMODULE module) {
    if (module != nullptr) {
        struct link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
            map->l_name != nullptr && map->l_name[0] != '\0') {
            std::error_code error;
            fs::path absolute = fs::absolute(map->l_name, error);
            return error ? std::string(map->l_name) : absolute.lexically_normal().string();
        }
    }
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return std::string();
    }
    buffer[length] = '\0';
    return buffer;
}

bool ends_with_separator(const char* path) {
    size_t length = strlen(path);
    return length > 0 && (path[length - 1] == '/' || path[length - 1] == '\\');
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size) {
    plat::Trace trace("GetModuleFileNameA");
    trace.num(size);
    if (plat::fault("GetModuleFileNameA") || filename == nullptr || size == 0) {
        trace.ret(0);
        return 0;
    }
    std::string path = module_path(module);
    if (path.empty()) {
        trace.ret(0);
        return 0;
    }
    DWORD result = static_cast<DWORD>(path.size());
    if (path.size() >= size) {
        // As on Windows: cut to the buffer, terminated, and the size returned.
        path.resize(size - 1);
        result = size;
    }
    memcpy(filename, path.c_str(), path.size() + 1);
    trace.ret(result).str(filename);
    return result;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    plat::Trace trace("GetCurrentDirectoryA");
    trace.num(size);
    char cwd[4096];
    if (plat::fault("GetCurrentDirectoryA") || getcwd(cwd, sizeof cwd) == nullptr) {
        trace.ret(0);
        return 0;
    }
    DWORD length = static_cast<DWORD>(strlen(cwd));
    if (buffer == nullptr || length + 1 > size) {
        // Too small: nothing written, the size needed returned.
        trace.ret(length + 1);
        return length + 1;
    }
    memcpy(buffer, cwd, length + 1);
    trace.ret(length).str(buffer);
    return length;
}

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    BOOL result = FALSE;
    if (!plat::fault("CreateDirectoryA") && path != nullptr && *path != '\0') {
        result = mkdir(plat::native_path(path).c_str(), 0777) == 0 ? TRUE : FALSE;
    }
    plat::Trace("CreateDirectoryA").str(path).ret(result);
    return result;
}

BOOL RemoveDirectoryA(LPCSTR path) {
    BOOL result = FALSE;
    if (!plat::fault("RemoveDirectoryA") && path != nullptr) {
        result = rmdir(plat::native_path(path).c_str()) == 0 ? TRUE : FALSE;
    }
    plat::Trace("RemoveDirectoryA").str(path).ret(result);
    return result;
}

BOOL PathRelativePathToA(LPSTR out, LPCSTR from, DWORD attr_from, LPCSTR to, DWORD attr_to) {
    plat::Trace trace("PathRelativePathToA");
    trace.str(from).num(attr_from).str(to).num(attr_to);
    if (out == nullptr || from == nullptr || to == nullptr || plat::fault("PathRelativePathToA")) {
        trace.ret(0);
        return FALSE;
    }
    out[0] = '\0';
    fs::path source(plat::native_path(from));
    fs::path target(plat::native_path(to));
    // Only two absolute paths share a root.
    if (!source.is_absolute() || !target.is_absolute()) {
        trace.ret(0);
        return FALSE;
    }
    source = source.lexically_normal();
    target = target.lexically_normal();
    if ((attr_from & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        source = source.parent_path();
    }
    std::string relative = target.lexically_relative(source).string();
    if (!relative.empty() && relative.back() == '/') {
        relative.pop_back();
    }
    if (relative.empty() || relative == ".") {
        relative = ".";
    } else if (relative.compare(0, 2, "..") != 0) {
        relative = "./" + relative;
    }
    if (ends_with_separator(to) && relative.back() != '/') {
        relative += '/';
    }
    if (relative.size() >= MAX_PATH) {
        trace.ret(0);
        return FALSE;
    }
    memcpy(out, relative.c_str(), relative.size() + 1);
    trace.ret(1).str(out);
    return TRUE;
}

BOOL PathFileExistsA(LPCSTR path) {
    struct stat info;
    BOOL result = (path != nullptr && *path != '\0' && !plat::fault("PathFileExistsA") &&
                   stat(plat::native_path(path).c_str(), &info) == 0)
                      ? TRUE
                      : FALSE;
    plat::Trace("PathFileExistsA").str(path).ret(result);
    return result;
}

BOOL PathIsDirectoryA(LPCSTR path) {
    struct stat info;
    BOOL result = (path != nullptr && *path != '\0' && !plat::fault("PathIsDirectoryA") &&
                   stat(plat::native_path(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                      ? TRUE
                      : FALSE;
    plat::Trace("PathIsDirectoryA").str(path).ret(result);
    return result;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
    plat::Trace trace("MoveFileExA");
    trace.str(existing).str(target).num(flags);
    if (existing == nullptr || target == nullptr || plat::fault("MoveFileExA")) {
        trace.ret(0);
        return FALSE;
    }
    std::string from = plat::native_path(existing);
    std::string to = plat::native_path(target);
    struct stat info;
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && stat(to.c_str(), &info) == 0) {
        trace.ret(0);
        return FALSE;
    }
    if (rename(from.c_str(), to.c_str()) != 0) {
        trace.ret(0);
        return FALSE;
    }
    if ((flags & MOVEFILE_WRITE_THROUGH) != 0) {
        // The new name is only safe once the folder that holds it is on disk.
        std::string folder = fs::path(to).parent_path().string();
        int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    trace.ret(1);
    return TRUE;
}
