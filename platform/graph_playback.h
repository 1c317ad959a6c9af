// What a filter graph plays and reports: one GStreamer pipeline a rendered
// file, and the graph's event queue with its event handle. Shared between
// the graph's COM object and a start that waits for the file tester's last
// word, which may come after the graph was released. The pipelines keep to
// the graph's clock (clock_time) as a DirectShow graph keeps to its
// reference clock: run at a start time, a sample sounds when the clock
// reads the start plus its time in the stream, counted from the stream's
// start or from the position of the last seek.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/types.h"

namespace plat {

struct Chain;

// What a graph rendered: a file.
struct GraphSource {
    std::string path;
};

struct GraphEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class GraphPlayback : public std::enable_shared_from_this<GraphPlayback> {
  public:
    GraphPlayback();
    ~GraphPlayback();

    // --- On the caller's thread, one at a time ---
    // Builds a chain for each source (unless built) and takes them to
    // target, once the file tester has seen each file decode to its end:
    // until then the start waits, and is made on the tester's thread when
    // its last word comes, unless a stop came first. A failure is reported
    // as EC_ERRORABORT. at: the clock time at which the stream sounds from
    // its start (a start already past: now); GST_CLOCK_TIME_NONE to play as
    // soon as it can, or on from where it paused.
    void start(const std::vector<GraphSource>& sources, GstState target,
               GstClockTime at = GST_CLOCK_TIME_NONE);
    // Every chain to position (nanoseconds): a running chain with no break
    // in what the output hears; a paused one heard from there when run.
    void seek(gint64 position);
    // Stops and frees every chain; captured files are finished first.
    void stop();

    // --- From any thread ---
    // The graph's clock now (nanoseconds): GStreamer's monotonic system clock.
    static GstClockTime clock_time();
    // The longest chain's file (nanoseconds); -1 before the files play, or
    // for a station.
    gint64 duration();
    // Signalled while events wait in the queue.
    HANDLE event_handle() const { return event_handle_; }
    void set_volume(long volume);  // hundredths of a decibel
    // Where the first chain is (nanoseconds).
    gint64 position();
    // Whether the chains' ends and errors become events: only while the
    // graph is meant to run, and never for a chain that a stop has already
    // doomed (it may play on until the stop reaches it).
    void set_reporting(bool on) {
        if (!on) {
            ++epoch_;
        }
        reporting_ = on;
    }

    void post_event(long code, LONG_PTR param1, LONG_PTR param2);
    // The next event within timeout_ms (negative: wait for one).
    bool next_event(long timeout_ms, GraphEvent* event);
    void set_notify(HWND window, UINT message, LONG_PTR data);

    // Called from a streaming thread.
    void chain_ended(Chain* ended);
    void chain_failed(unsigned epoch);

  private:
    // Under work_lock_.
    void start_now(const std::vector<GraphSource>& sources, GstState target, GstClockTime at);
    void stop_now();
    Chain* build_chain(const GraphSource& source);
    bool tested(const std::vector<GraphSource>& sources, GstState target, GstClockTime at,
                unsigned epoch);
    std::vector<Chain*> chains();

    // Held by start, seek and stop: they come from the graph's caller and
    // from the file tester's thread.
    std::mutex work_lock_;
    std::mutex chains_lock_;
    std::vector<Chain*> chains_;
    std::atomic<long> volume_{0};
    std::atomic<bool> reporting_{false};
    std::atomic<unsigned> epoch_{0};
    // Under work_lock_: the state a start waits to reach until its files
    // have been tested, and its time.
    GstState waiting_ = GST_STATE_VOID_PENDING;
    GstClockTime waiting_at_ = GST_CLOCK_TIME_NONE;

    std::mutex events_lock_;
    std::condition_variable events_signal_;
    std::deque<GraphEvent> events_;
    HANDLE event_handle_;
    HWND notify_window_ = nullptr;
    UINT notify_message_ = 0;
    LONG_PTR notify_data_ = 0;
};

}  // namespace plat
