// The names a module gives its records, for the host's listings. A gauge
// exports only its two records, so the names come from the module file's
// symbol table when the dynamic one has none.
#pragma once

#include <string>

// The name of the data object that starts at address, or empty.
std::string data_symbol_name(const void* address);
