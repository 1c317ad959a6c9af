// An internet radio station as the stand-in's filter graph renders it: a
// stream reader (skytune-streamread) that connects, decodes and plays the
// station into a pipe as raw PCM, and reports its titles. No decoder runs
// in the host over what the network sends.
#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/native/types.h"

namespace plat {

// Whether a path names a station rather than a file: http:// or https://.
bool is_stream_address(const std::string& path);

class StreamConnection {
  public:
    // A reader for the station, once it has decoded its first sound: S_OK
    // and the connection, or the platform's error for a station that
    // cannot be reached, sends no sound, or neither within the time limit
    // (the reader is then gone).
    static HRESULT open(const std::string& address, std::shared_ptr<StreamConnection>* connection);
    ~StreamConnection();
    StreamConnection(const StreamConnection&) = delete;
    StreamConnection& operator=(const StreamConnection&) = delete;

    // Raw PCM, streamread::RATE and CHANNELS, 16-bit; at its end the
    // station has gone.
    int audio() const { return audio_; }
    // The latest title the station sent, UTF-8; empty before any.
    std::string title();
    // Ends the reader at once; the audio comes to its end.
    void end();

  private:
    StreamConnection() = default;
    // Reads the reports waiting, at most wait_ms for the first; false when
    // the reader has closed its end.
    bool read_reports(int wait_ms);

    std::mutex lock_;
    pid_t reader_ = -1;
    int audio_ = -1;
    int status_ = -1;
    std::string pending_;
    std::string title_;
    bool ready_ = false;
    std::string failure_;
};

}  // namespace plat
