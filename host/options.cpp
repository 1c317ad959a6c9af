// Command-line parsing.
#include "host/options.h"

#include <cstdlib>
#include <cstring>

const char* const USAGE =
    "usage: skytune-host [options]\n"
    "  --gauge PATH        module to load (default: the skytune.gau built beside the host)\n"
    "  --headless          no window; draw into memory only\n"
    "  --script FILE       run the commands in FILE (\"-\" for standard input), then pre-kill "
    "and exit\n"
    "  --cd SOURCE         the virtual drive's disc: a folder of track files, none, data, "
    "absent\n"
    "                      (default: the demo disc)\n"
    "  --audio SINK        auto (default), null, or wav:DIR (capture what each back-end plays "
    "into DIR)\n"
    "  --trace FILE        write every platform call that the module makes, one line each\n"
    "  --timing FILE       write how long each call into the module took, one line each\n"
    "  --scale N           draw the face N times its size (window only)\n"
    "  --help, --version\n"
    "In the window: the mouse works the radio, L switches the panel lights.\n";

bool parse_options(int argc, const char* const* argv, Options* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--version") {
            options->version = true;
        } else if (arg == "--headless") {
            options->headless = true;
        } else if (arg == "--gauge") {
            if (!value(&options->gauge)) {
                return false;
            }
        } else if (arg == "--script") {
            if (!value(&options->script)) {
                return false;
            }
            options->has_script = true;
        } else if (arg == "--cd") {
            if (!value(&options->cd)) {
                return false;
            }
            options->has_cd = true;
        } else if (arg == "--audio") {
            if (!value(&options->audio)) {
                return false;
            }
            options->has_audio = true;
        } else if (arg == "--trace") {
            if (!value(&options->trace)) {
                return false;
            }
        } else if (arg == "--timing") {
            if (!value(&options->timing)) {
                return false;
            }
        } else if (arg == "--scale") {
            std::string text;
            if (!value(&text)) {
                return false;
            }
            char* end = nullptr;
            long scale = strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || scale < 1 || scale > 8) {
                *error = "--scale takes a whole number from 1 to 8, not \"" + text + "\"";
                return false;
            }
            options->scale = int(scale);
        } else {
            *error = "unknown option " + arg;
            return false;
        }
    }
    return true;
}
