// The thread on which the filter graphs do their GStreamer work (building,
// starting, seeking and stopping pipelines), in the order it was asked for.
// The graph's calls return at once, as the platform's own graph hands its
// work to threads of its own; a call into the module never waits for a
// pipeline.
#pragma once

#include <functional>

namespace plat {

void graph_work(std::function<void()> job);

}  // namespace plat
