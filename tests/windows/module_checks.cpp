#include "tests/windows/module_checks.h"

#include <cstring>
#include <set>

#include "platform/win32.h"
#include "tests/windows/checks.h"

namespace {
const BYTE* image_at(HMODULE module, DWORD offset) {
    return reinterpret_cast<const BYTE*>(module) + offset;
}
}  // namespace

void check_exports(HMODULE module) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image_at(module, dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    check(entry.VirtualAddress != 0, "the module has an export directory");
    if (entry.VirtualAddress == 0) return;
    auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image_at(module, entry.VirtualAddress));
    check_equal(reinterpret_cast<const char*>(image_at(module, exports->Name)), "skytune.gau",
                "the export directory's module name");
    auto* names = reinterpret_cast<const DWORD*>(image_at(module, exports->AddressOfNames));
    auto* ordinals =
        reinterpret_cast<const WORD*>(image_at(module, exports->AddressOfNameOrdinals));
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const std::string name = reinterpret_cast<const char*>(image_at(module, names[i]));
        found.insert(name);
        const DWORD ordinal = exports->Base + ordinals[i];
        if (name == "ImportTable") check(ordinal == 1, "ImportTable is export ordinal 1");
        if (name == "Linkage") check(ordinal == 2, "Linkage is export ordinal 2");
    }
    check(found == std::set<std::string>{"ImportTable", "Linkage"},
          "the module exports exactly ImportTable and Linkage (" +
              std::to_string(exports->NumberOfNames) + " names)");
}

std::string check_resources(HMODULE module) {
    // Every face bitmap under its number.
    const int ranges[][2] = {{4096, 4096},   {8192, 8195},   {9472, 9478},
                             {12288, 12300}, {13568, 13568}, {13824, 13824},
                             {16384, 16384}, {17669, 17670}, {17672, 17672}};
    int missing = 0;
    for (const auto& range : ranges) {
        for (int id = range[0]; id <= range[1]; ++id) {
            if (!FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2))) {
                check(false, "bitmap " + std::to_string(id) + " is in the module");
                ++missing;
            }
        }
    }
    check(missing == 0, "all 32 face bitmaps are in the module");

    HRSRC found = FindResourceA(module, "CLICK_RCD", MAKEINTRESOURCEA(10));
    check(found != nullptr, "FindResourceA finds the RCDATA CLICK_RCD");
    if (!found) return "";
    const DWORD size = SizeofResource(module, found);
    const void* bytes = LockResource(LoadResource(module, found));
    check(size == 184 && bytes != nullptr, "CLICK_RCD holds 184 bytes");
    if (!bytes) return "";
    std::string click(static_cast<const char*>(bytes), size);
    check(click.compare(0, 4, "RIFF") == 0 && click.compare(8, 4, "WAVE") == 0,
          "CLICK_RCD is a RIFF WAVE image");
    return click;
}

void check_version(const std::string& module_path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(module_path.c_str(), &ignored);
    check(size > 0, "the module carries a version record");
    if (size == 0) return;
    std::string record(size, '\0');
    GetFileVersionInfoA(module_path.c_str(), 0, size, &record[0]);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        check(fixed->dwFileVersionMS == 0x00030000 && fixed->dwFileVersionLS == 0,
              "file version 3.0.0.0");
        check(fixed->dwProductVersionMS == 0x00030000 && fixed->dwProductVersionLS == 0,
              "product version 3.0.0.0");
    } else {
        check(false, "the version record has its fixed part");
    }
    const char* keys[][2] = {
        {"ProductName", "SkyTune"}, {"FileVersion", "3.0"}, {"ProductVersion", "3.0"}};
    for (const auto& key : keys) {
        char* value = nullptr;
        const std::string query = std::string("\\StringFileInfo\\040904E4\\") + key[0];
        const bool ok = VerQueryValueA(record.data(), query.c_str(),
                                       reinterpret_cast<void**>(&value), &length) &&
                        value;
        check_equal(ok ? value : "(none)", key[1], std::string("version text ") + key[0]);
    }
}
