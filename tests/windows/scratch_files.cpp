#include "tests/windows/scratch_files.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

Scratch scratch_simulator() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%sskytune-driver-%lu\\", temp, GetCurrentProcessId());
    Scratch s;
    s.root = name;
    // Wine hands out the same small process ids run after run: what a
    // crashed run left behind must not meet this one.
    remove_tree(s.root);
    s.gauges = s.root + "Gauges\\";
    s.sound = s.root + "Sound\\";
    s.temp = s.root + "Temp\\";
    s.module = s.gauges + "SkyTune.GAU";
    for (const std::string& folder : {s.root, s.gauges, s.sound, s.temp}) {
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    SetEnvironmentVariableA("TMP", s.temp.c_str());
    SetEnvironmentVariableA("TEMP", s.temp.c_str());
    SetCurrentDirectoryA(s.root.c_str());
    return s;
}

void remove_tree(const std::string& folder) {
    for (const std::string& name : list_files(folder + "*")) {
        if (name == "." || name == "..") continue;
        const std::string path = folder + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            remove_tree(path + "\\");
        } else {
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
}

std::string windows_path(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string converted = "Z:" + path;
    for (char& c : converted) {
        if (c == '/') c = '\\';
    }
    return converted;
}

bool write_file(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

std::string read_file(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

std::vector<std::string> text_lines(const std::string& bytes, bool& all_crlf) {
    std::vector<std::string> lines;
    all_crlf = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            all_crlf = false;
            lines.push_back(bytes.substr(start));
            break;
        }
        if (end == start || bytes[end - 1] != '\r') {
            all_crlf = false;
            lines.push_back(bytes.substr(start, end - start));
        } else {
            lines.push_back(bytes.substr(start, end - start - 1));
        }
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> list_files(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
