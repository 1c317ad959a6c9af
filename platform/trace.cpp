// The trace: every platform call the module makes, one line each, written
// and flushed as the call returns. Calls the host or the stand-in make for
// themselves are not traced. SKYTUNE_TRACE is read once. Calls come from
// every thread the module runs; each line is written whole under a lock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/native/standin.h"

namespace plat {
namespace {

// Never destroyed: threads may trace while the process ends.
std::recursive_mutex& lock = *new std::recursive_mutex;
FILE* trace_file = nullptr;
bool trace_checked = false;

void trace_close() {
    if (trace_file != nullptr && trace_file != stderr) {
        fclose(trace_file);
    }
    trace_file = nullptr;
}

FILE* trace_output() {
    if (!trace_checked) {
        trace_checked = true;
        const char* path = getenv("SKYTUNE_TRACE");
        if (path != nullptr && *path != '\0') {
            trace_to(path);
        }
    }
    return trace_file;
}

}  // namespace

void trace_to(const char* path) {
    std::lock_guard<std::recursive_mutex> hold(lock);
    trace_checked = true;
    trace_close();
    if (path == nullptr) {
        return;
    }
    if (strcmp(path, "-") == 0) {
        trace_file = stderr;
        return;
    }
    trace_file = fopen(path, "a");
    if (trace_file == nullptr) {
        fprintf(stderr, "skytune: cannot write the trace to %s\n", path);
    }
}

bool trace_on() {
    std::lock_guard<std::recursive_mutex> hold(lock);
    return trace_output() != nullptr;
}

Trace::Trace(const char* call) : on_(trace_on()) {
    if (on_) {
        line_ = call;
    }
}

Trace::~Trace() {
    if (!on_) {
        return;
    }
    line_ += '\n';
    std::lock_guard<std::recursive_mutex> hold(lock);
    FILE* out = trace_output();
    if (out != nullptr) {
        fputs(line_.c_str(), out);
        // A killed process must still leave its last calls behind.
        fflush(out);
    }
}

Trace& Trace::str(const char* text) {
    if (on_) {
        if (text == nullptr) {
            line_ += " NULL";
        } else {
            line_ += " \"";
            line_ += text;
            line_ += '"';
        }
    }
    return *this;
}

Trace& Trace::num(long long value) {
    if (on_) {
        line_ += ' ';
        line_ += std::to_string(value);
    }
    return *this;
}

Trace& Trace::sym(const char* word) {
    if (on_) {
        line_ += ' ';
        line_ += word;
    }
    return *this;
}

Trace& Trace::ret(long long value) {
    if (on_) {
        line_ += " -> ";
        line_ += std::to_string(value);
    }
    return *this;
}

Trace& Trace::ret_sym(const char* word) {
    if (on_) {
        line_ += " -> ";
        line_ += word;
    }
    return *this;
}

Trace& Trace::ret_str(const char* text) {
    if (on_) {
        line_ += " ->";
    }
    return str(text);
}

}  // namespace plat
