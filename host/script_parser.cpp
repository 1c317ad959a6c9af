// Parsing script lines strictly: a wrong line is reported, never guessed at.
#include "host/script_parser.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

std::string trim(const std::string& text) {
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        return "";
    }
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

bool whole_number(const std::string& text, long low, long high, int* out) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < low || value > high || text[0] == '+' ||
        text[0] == ' ') {
        return false;
    }
    *out = int(value);
    return true;
}

// Coordinates may lie off the face (the pointer then reaches nothing).
constexpr long COORD_LIMIT = 100000;
// About three hours of updates or milliseconds: enough for any script.
constexpr long COUNT_LIMIT = 10000000;

}  // namespace

LineResult parse_script_line(const std::string& raw, ScriptCommand* command, std::string* error) {
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#') {
        return LineResult::Skip;
    }
    size_t space = line.find_first_of(" \t");
    std::string word = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : trim(line.substr(space));
    std::vector<std::string> args;
    std::istringstream split(rest);
    for (std::string arg; split >> arg;) {
        args.push_back(arg);
    }
    auto fail = [&](const std::string& why) {
        *error = why;
        return LineResult::Error;
    };
    auto point = [&](size_t at) {
        return whole_number(args[at], -COORD_LIMIT, COORD_LIMIT, &command->x) &&
               whole_number(args[at + 1], -COORD_LIMIT, COORD_LIMIT, &command->y);
    };
    *command = ScriptCommand();
    if (word == "frames" || word == "wait") {
        command->kind = word == "frames" ? ScriptCommand::Frames : ScriptCommand::Wait;
        if (args.size() != 1 || !whole_number(args[0], 0, COUNT_LIMIT, &command->count)) {
            return fail(word + (word == "frames" ? " N" : " MS") + " takes one whole number");
        }
    } else if (word == "click") {
        command->kind = ScriptCommand::Click;
        bool right = args.size() == 3 && args[2] == "right";
        if ((args.size() != 2 && !right) || !point(0)) {
            return fail("click takes X Y, or X Y right");
        }
        command->right = right;
    } else if (word == "hold") {
        command->kind = ScriptCommand::Hold;
        if (args.size() != 3 || !point(0) ||
            !whole_number(args[2], 0, COUNT_LIMIT, &command->count)) {
            return fail("hold takes X Y MS");
        }
    } else if (word == "hover") {
        command->kind = ScriptCommand::Hover;
        if (args.size() != 2 || !point(0)) {
            return fail("hover takes X Y");
        }
    } else if (word == "dialog") {
        if (rest.empty()) {
            return fail("dialog takes a PATH or cancel");
        }
        command->kind = rest == "cancel" ? ScriptCommand::DialogCancel : ScriptCommand::Dialog;
        command->text = rest;
    } else if (word == "elements" || word == "reinstall" || word == "quit") {
        if (!args.empty()) {
            return fail(word + " takes nothing after it");
        }
        command->kind = word == "elements"    ? ScriptCommand::Elements
                        : word == "reinstall" ? ScriptCommand::Reinstall
                                              : ScriptCommand::Quit;
    } else if (word == "screenshot") {
        if (rest.empty()) {
            return fail("screenshot takes a FILE");
        }
        command->kind = ScriptCommand::Screenshot;
        command->text = rest;
    } else if (word == "lights") {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
            return fail("lights takes on or off");
        }
        command->kind = ScriptCommand::Lights;
        command->on = args[0] == "on";
    } else if (word == "echo") {
        command->kind = ScriptCommand::Echo;
        command->text = rest;
    } else if (word == "fail") {
        if (args.size() != 1) {
            return fail("fail takes a comma-separated list of calls, * or none");
        }
        command->kind = ScriptCommand::Fail;
        command->text = args[0];
    } else {
        return fail("unknown command \"" + word + "\"");
    }
    return LineResult::Command;
}
