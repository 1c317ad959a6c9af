// The thread on which the stand-in's pipelines are built, started, seeked
// and taken down, in the order asked for: the filter graph's calls return at
// once, as the platform's own graph hands its work to threads of its own,
// and a stopped CD run goes without keeping its MCI command waiting.
#pragma once

#include <functional>

namespace plat {

void graph_work(std::function<void()> job);

}  // namespace plat
