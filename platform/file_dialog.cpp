// The open-file dialog: answers queued by the host or a test, otherwise a
// real chooser (zenity) that the person at the screen answers. One file at
// a time, with the record's title, folder and filter pairs; hooks,
// templates and multiple selection are not offered, and an answer that is
// missing (with OFN_FILEMUSTEXIST) or does not fit the buffer is refused
// as a cancel. Without a screen or zenity every chooser is cancelled.
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/native/dialogs.h"
#include "platform/native/standin.h"

namespace fs = std::filesystem;

namespace {

std::deque<std::optional<std::string>> queued_answers;
HWND active_window = nullptr;

// One filter pair of the record: a description and its patterns.
struct FilterPair {
    std::string description;
    std::string patterns;
};

std::vector<FilterPair> filter_pairs(LPCSTR filter) {
    std::vector<FilterPair> pairs;
    while (filter != nullptr && *filter != '\0') {
        FilterPair pair;
        pair.description = filter;
        filter += pair.description.size() + 1;
        if (*filter == '\0') {
            break;
        }
        pair.patterns = filter;
        filter += pair.patterns.size() + 1;
        pairs.push_back(pair);
    }
    return pairs;
}

bool on_path(const char* program) {
    const char* path = getenv("PATH");
    std::string dirs(path == nullptr ? "/usr/bin:/bin" : path);
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        if (colon == std::string::npos) {
            colon = dirs.size();
        }
        std::string candidate = dirs.substr(start, colon - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = colon + 1;
    }
    return false;
}

// Runs the chooser and waits for it: the dialog is modal.
std::optional<std::string> ask_person(const OPENFILENAMEA& ofn) {
    if ((getenv("DISPLAY") == nullptr && getenv("WAYLAND_DISPLAY") == nullptr) ||
        !on_path("zenity")) {
        return std::nullopt;
    }
    std::vector<std::string> args = {"zenity", "--file-selection"};
    args.push_back(std::string("--title=") + (ofn.lpstrTitle ? ofn.lpstrTitle : "Open"));
    if (ofn.lpstrInitialDir != nullptr && *ofn.lpstrInitialDir != '\0') {
        std::error_code error;
        fs::path folder = fs::absolute(plat::native_path(ofn.lpstrInitialDir), error);
        if (!error) {
            args.push_back("--filename=" + folder.lexically_normal().string() + "/");
        }
    }
    // The chosen pair first: the chooser starts with its first filter.
    std::vector<FilterPair> pairs = filter_pairs(ofn.lpstrFilter);
    size_t chosen = ofn.nFilterIndex >= 1 ? ofn.nFilterIndex - 1 : 0;
    if (chosen < pairs.size()) {
        std::rotate(pairs.begin(), pairs.begin() + static_cast<long>(chosen), pairs.end());
    }
    for (const FilterPair& pair : pairs) {
        std::string patterns = pair.patterns;
        for (char& c : patterns) {
            if (c == ';') {
                c = ' ';
            }
        }
        if (patterns == "*.*") {
            patterns = "*";
        }
        args.push_back("--file-filter=" + pair.description + " | " + patterns);
    }

    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) {
        return std::nullopt;
    }
    pid_t child = fork();
    if (child < 0) {
        close(out[0]);
        close(out[1]);
        return std::nullopt;
    }
    if (child == 0) {
        // The chooser goes when the host does, however the host ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string answer;
    char buffer[512];
    ssize_t got;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) {
        answer.append(buffer, static_cast<size_t>(got));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) {
        answer.pop_back();
    }
    if (answer.empty()) {
        return std::nullopt;
    }
    return answer;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

namespace plat {

void dialog_answer(const char* path) {
    queued_answers.emplace_back(std::string(path));
}
void dialog_cancel() {
    queued_answers.emplace_back(std::nullopt);
}
void dialog_clear() {
    queued_answers.clear();
}
void set_active_window(HWND window) {
    active_window = window;
}

}  // namespace plat

HWND GetActiveWindow(void) {
    plat::Trace("GetActiveWindow").ret(reinterpret_cast<intptr_t>(active_window) != 0);
    return active_window;
}

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
    plat::Trace trace("GetOpenFileNameA");
    if (ofn == nullptr ||
        (ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A &&
         ofn->lStructSize != sizeof(OPENFILENAMEA)) ||
        ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) {
        trace.ret(0);
        return FALSE;
    }
    trace.str(ofn->lpstrTitle).str(ofn->lpstrInitialDir).num(ofn->Flags);
    if (plat::fault("GetOpenFileNameA")) {
        trace.ret(0);
        return FALSE;
    }

    std::optional<std::string> answer;
    if (!queued_answers.empty()) {
        answer = queued_answers.front();
        queued_answers.pop_front();
    } else {
        answer = ask_person(*ofn);
    }
    if (!answer) {
        trace.ret(0);
        return FALSE;
    }

    std::error_code error;
    std::string path = fs::absolute(plat::native_path(answer->c_str()), error).lexically_normal();
    if (error) {
        path = *answer;
    }
    // The dialog lets no one choose what is not there.
    if ((ofn->Flags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST)) != 0) {
        std::string folder = fs::path(path).parent_path().string();
        if (((ofn->Flags & OFN_FILEMUSTEXIST) != 0 && !exists(path)) ||
            ((ofn->Flags & OFN_PATHMUSTEXIST) != 0 && !exists(folder))) {
            trace.ret(0).str(path.c_str());
            return FALSE;
        }
    }
    size_t slash = path.rfind('/');
    size_t title_at = slash == std::string::npos ? 0 : slash + 1;
    std::string title = path.substr(title_at);
    if (path.size() + 1 > ofn->nMaxFile ||
        (ofn->lpstrFileTitle != nullptr && title.size() + 1 > ofn->nMaxFileTitle)) {
        trace.ret(0).str(path.c_str());
        return FALSE;
    }
    memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    if (ofn->lpstrFileTitle != nullptr) {
        memcpy(ofn->lpstrFileTitle, title.c_str(), title.size() + 1);
    }
    ofn->nFileOffset = static_cast<WORD>(title_at);
    size_t dot = title.rfind('.');
    ofn->nFileExtension = static_cast<WORD>(dot == std::string::npos ? 0 : title_at + dot + 1);
    trace.ret(1).str(ofn->lpstrFile);
    return TRUE;
}
