// The script language: one command a line.
#pragma once

#include <string>

struct ScriptCommand {
    enum Kind {
        Frames,
        Wait,
        Click,
        Hold,
        Hover,
        Dialog,
        DialogCancel,
        Elements,
        Screenshot,
        Lights,
        Reinstall,
        Echo,
        Fail,
        Quit,
    };
    Kind kind = Quit;
    int x = 0;
    int y = 0;
    int count = 0;  // frames, or milliseconds for wait and hold
    bool right = false;
    bool on = false;
    std::string text;  // path, echo text, or the calls to fail
};

enum class LineResult { Skip, Command, Error };

// Reads one line; blank lines and lines starting with '#' are skipped. On an
// error, `error` says what is wrong with the line.
LineResult parse_script_line(const std::string& line, ScriptCommand* command, std::string* error);
