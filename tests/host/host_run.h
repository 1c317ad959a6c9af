// Runs the real skytune-host from a script, in a folder of its own with a
// copy of the real module, and keeps what it printed.
#pragma once

#include <string>
#include <vector>

#include "host/image.h"
#include "tests/support/scratch_dir.h"

struct HostRun {
    int status = -1;
    std::string out;
    std::string err;
    // Lines of standard output that start with the prefix.
    std::vector<std::string> lines(const std::string& prefix) const;
};

class HostFolder {
  public:
    // A scratch folder holding skytune.gau; the host runs with it as the
    // current directory.
    HostFolder();

    std::string path(const std::string& name = "") const;
    // A steady tone as a 16-bit mono WAV file at path(name).
    void write_tone(const std::string& name, double frequency, double seconds) const;
    std::string gauge() const { return path("skytune.gau"); }
    std::string settings() const { return path("skytune.dat"); }

    // skytune-host --headless --gauge <copy> --audio wav:<dir> --trace
    // <file> [extra] --script <script>.
    HostRun run(const std::string& script, const std::vector<std::string>& extra = {}) const;
    std::string audio_dir() const { return path("audio"); }
    std::string trace_file() const { return path("trace.txt"); }

  private:
    ScratchDir dir_;
    std::string root_;
};

// A PNG the host wrote; empty when unreadable.
Image read_png(const std::string& path);

// A program's standard output, run through the shell.
HostRun run_command(const std::vector<std::string>& argv, const std::string& folder);
