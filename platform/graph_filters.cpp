// Source filters and their enumerator. A filter keeps its source's reader
// alive while the caller holds it, as a filter outlives its graph while
// referenced; the title is read from the reader's reports as it is asked.
#include "platform/graph_filters.h"

#include <memory>
#include <string>

#include "platform/com_object.h"
#include "platform/utf8.h"

const IID IID_IFilterGraph = {
    0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IEnumFilters = {
    0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBaseFilter = {
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IAMMediaContent = {0xFA2AA8F4, 0x8B62, 0x11D0, {0xA5, 0x20, 0, 0, 0, 0, 0, 0}};

namespace plat {
namespace {

class SourceFilter final : public IBaseFilter, public IAMMediaContent {
  public:
    explicit SourceFilter(std::shared_ptr<StreamConnection> station)
        : station_(std::move(station)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IBaseFilter) {
            return references_.query("IBaseFilter", static_cast<IBaseFilter*>(this), object);
        }
        bool content = iid == IID_IAMMediaContent && station_ != nullptr;
        return references_.query("IAMMediaContent",
                                 content ? static_cast<IAMMediaContent*>(this) : nullptr, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.release(this); }

    HRESULT STDMETHODCALLTYPE get_Title(BSTR* title) override {
        HRESULT result = S_OK;
        std::string text;
        if (title == nullptr) {
            result = E_POINTER;
        } else if (fault("IAMMediaContent::get_Title")) {
            result = E_FAIL;
        } else {
            text = station_->title();
            std::u16string wide = utf16_from_utf8(text.data(), text.size());
            *title = text.empty() ? nullptr : SysAllocString(wide.c_str());
            result = text.empty() ? VFW_E_NOT_FOUND : *title != nullptr ? S_OK : E_OUTOFMEMORY;
        }
        Trace("IAMMediaContent::get_Title").ret(result).str(text.c_str());
        return result;
    }

  private:
    friend class plat::ComCount;
    ~SourceFilter() = default;

    ComCount references_{"SourceFilter"};
    std::shared_ptr<StreamConnection> station_;
};

class FilterList final : public SingleInterface<IEnumFilters, FilterList> {
  public:
    explicit FilterList(const std::vector<GraphSource>& sources)
        : SingleInterface("IEnumFilters", IID_IEnumFilters), sources_(sources) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override {
        ULONG given = 0;
        HRESULT result = filters == nullptr ? E_POINTER : S_OK;
        while (result == S_OK && given < count && next_ < sources_.size()) {
            filters[given++] = new SourceFilter(sources_[next_++].station);
        }
        if (fetched != nullptr) {
            *fetched = given;
        }
        result = result == S_OK && given < count ? S_FALSE : result;
        Trace("IEnumFilters::Next").num(count).ret(result).num(given);
        return result;
    }

  private:
    friend class plat::ComCount;
    ~FilterList() = default;

    std::vector<GraphSource> sources_;
    size_t next_ = 0;
};

}  // namespace

IEnumFilters* enumerate_filters(const std::vector<GraphSource>& sources) {
    return new FilterList(sources);
}

}  // namespace plat
