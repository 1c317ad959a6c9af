// A read-only view of a file's bytes.
#include "audio/file_view.h"

LPVOID file_view_open(LPCSTR path, DWORD limit, DWORD* size) {
    *size = 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    DWORD size_high = 0;
    DWORD length = GetFileSize(file, &size_high);
    if (length == INVALID_FILE_SIZE || size_high != 0) {
        CloseHandle(file);
        return nullptr;
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    // The mapping keeps the file; its handle is not needed any more.
    CloseHandle(file);
    if (mapping == nullptr) {
        return nullptr;
    }
    DWORD mapped_length = limit != 0 && length > limit ? limit : 0;
    LPVOID mapped = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, mapped_length);
    CloseHandle(mapping);
    if (mapped != nullptr) {
        *size = mapped_length != 0 ? mapped_length : length;
    }
    return mapped;
}
