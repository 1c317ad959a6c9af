// One worker thread for all the stand-in's pipelines, started on first use.
// It is drained by settle_graphs, by CoUninitialize and, at the latest, when
// the library goes. Jobs run one at a time in the order posted; none is
// dropped or reordered, and settle_graphs from a job does not wait.
#include "platform/graph_worker.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/native/standin.h"

namespace plat {
namespace {

class GraphWorker {
  public:
    void post(std::function<void()> job) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { run(); });
        }
        jobs_.push_back(std::move(job));
        ++asked_;
        wake_.notify_all();
    }

    void settle() {
        std::unique_lock<std::mutex> hold(lock_);
        if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
            return;
        }
        unsigned long long target = asked_;
        done_signal_.wait(hold, [this, target] { return done_ >= target; });
    }

    void finish() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!thread_.joinable()) {
                return;
            }
            closing_ = true;
            wake_.notify_all();
        }
        thread_.join();
    }

  private:
    void run() {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            wake_.wait(hold, [this] { return closing_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            hold.unlock();
            job();
            // What the job held goes before it counts as done.
            job = nullptr;
            hold.lock();
            ++done_;
            done_signal_.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_signal_;
    std::deque<std::function<void()>> jobs_;
    unsigned long long asked_ = 0;
    unsigned long long done_ = 0;
    bool closing_ = false;
    std::thread thread_;
};

// Never destroyed: jobs may still run while other statics go. The library's
// exit handler drains it first.
GraphWorker& worker() {
    static GraphWorker* instance = [] {
        auto* made = new GraphWorker;
        std::atexit([] { worker().finish(); });
        return made;
    }();
    return *instance;
}

}  // namespace

void graph_work(std::function<void()> job) {
    worker().post(std::move(job));
}

void settle_graphs() {
    worker().settle();
}

}  // namespace plat
