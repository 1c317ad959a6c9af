// The filters a graph holds, as IFilterGraph::EnumFilters hands them out:
// a source filter for each rendered file or station. A station's source
// also offers IAMMediaContent, whose title is the one its station sends.
#pragma once

#include <vector>

#include "platform/graph_playback.h"
#include "platform/native/dshow.h"

namespace plat {

IEnumFilters* enumerate_filters(const std::vector<GraphSource>& sources);

}  // namespace plat
