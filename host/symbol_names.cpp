// Looking up data objects by address: the dynamic symbols first, then the
// module file's own symbol table (ELF64).
#include "host/symbol_names.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

namespace {

// Demangled, without namespaces: "(anonymous namespace)::pause_lamp" is
// "pause_lamp".
std::string plain_name(const char* symbol) {
    std::string name = symbol;
    int status = 0;
    char* demangled = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    if (status == 0 && demangled != nullptr) {
        name = demangled;
    }
    free(demangled);
    size_t colons = name.rfind("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

// Object symbols of one file by their offset from its load base.
using SymbolMap = std::map<uintptr_t, std::string>;

SymbolMap read_symbols(const std::string& path) {
    SymbolMap symbols;
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(Elf64_Ehdr) || memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
        bytes[EI_CLASS] != ELFCLASS64) {
        return symbols;
    }
    Elf64_Ehdr header;
    memcpy(&header, bytes.data(), sizeof header);
    auto section = [&](size_t index, Elf64_Shdr* out) {
        size_t at = header.e_shoff + index * sizeof(Elf64_Shdr);
        if (index >= header.e_shnum || at + sizeof(Elf64_Shdr) > bytes.size()) {
            return false;
        }
        memcpy(out, bytes.data() + at, sizeof *out);
        return true;
    };
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr table;
        Elf64_Shdr strings;
        if (!section(i, &table) || table.sh_type != SHT_SYMTAB ||
            !section(table.sh_link, &strings) || table.sh_offset + table.sh_size > bytes.size() ||
            strings.sh_offset + strings.sh_size > bytes.size()) {
            continue;
        }
        for (size_t at = 0; at + sizeof(Elf64_Sym) <= table.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            memcpy(&symbol, bytes.data() + table.sh_offset + at, sizeof symbol);
            if (ELF64_ST_TYPE(symbol.st_info) != STT_OBJECT || symbol.st_name >= strings.sh_size) {
                continue;
            }
            const char* name = bytes.data() + strings.sh_offset + symbol.st_name;
            if (strnlen(name, strings.sh_size - symbol.st_name) <
                strings.sh_size - symbol.st_name) {
                symbols[symbol.st_value] = plain_name(name);
            }
        }
    }
    return symbols;
}

}  // namespace

std::string data_symbol_name(const void* address) {
    Dl_info info;
    if (dladdr(address, &info) == 0) {
        return "";
    }
    if (info.dli_sname != nullptr && info.dli_saddr == address) {
        return plain_name(info.dli_sname);
    }
    if (info.dli_fname == nullptr || info.dli_fbase == nullptr) {
        return "";
    }
    static std::map<std::string, SymbolMap> files;
    auto found = files.find(info.dli_fname);
    if (found == files.end()) {
        found = files.emplace(info.dli_fname, read_symbols(info.dli_fname)).first;
    }
    uintptr_t offset =
        reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(info.dli_fbase);
    auto symbol = found->second.find(offset);
    return symbol != found->second.end() ? symbol->second : "";
}
