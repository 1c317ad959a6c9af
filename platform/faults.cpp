// Injected faults: named platform calls made to fail on purpose, so that
// every failure path of the radio can be reached. Each call that can fail
// asks by its name and fails as the platform's would; a name no call asks
// for is taken and changes nothing. SKYTUNE_FAIL is read once. Calls come
// from every thread the module runs, so the list is read under a lock.
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

#include "platform/native/standin.h"
#include "platform/sync_handles.h"

namespace plat {
namespace {

// Never destroyed: threads may ask while the process ends.
std::recursive_mutex& lock = *new std::recursive_mutex;
std::set<std::string>& failing = *new std::set<std::string>;
bool fail_all = false;
bool faults_checked = false;

void faults_from_environment() {
    if (faults_checked) {
        return;
    }
    faults_checked = true;
    const char* names = getenv("SKYTUNE_FAIL");
    if (names != nullptr) {
        faults_set(names);
    }
}

}  // namespace

void faults_set(const char* names) {
    std::lock_guard<std::recursive_mutex> hold(lock);
    faults_checked = true;
    failing.clear();
    fail_all = false;
    if (names == nullptr) {
        return;
    }
    std::string list(names);
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) {
            comma = list.size();
        }
        std::string name = list.substr(start, comma - start);
        if (name == "*") {
            fail_all = true;
        } else if (!name.empty()) {
            failing.insert(name);
        }
        start = comma + 1;
    }
}

bool fault(const char* call) {
    park_if_process_ends();
    std::lock_guard<std::recursive_mutex> hold(lock);
    faults_from_environment();
    if (fail_all) {
        return true;
    }
    return !failing.empty() && failing.count(call) != 0;
}

}  // namespace plat
