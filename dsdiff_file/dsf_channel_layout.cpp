#include "dsdiff_file/dsf_channel_layout.h"

#include "util/exceptions.h"

#include <algorithm>
#include <string>

using iff_stream::chunk_id;
using iff_stream::make_id;

namespace {

struct named_layout {
    std::uint32_t channel_type;
    std::vector<chunk_id> order; // DSF's channel order
};

const std::vector<named_layout>& named_layouts()
{
    const chunk_id l = make_id("SLFT"), r = make_id("SRGT"), c = make_id("C   "), lfe = make_id("LFE "),
                   ls = make_id("LS  "), rs = make_id("RS  ");
    static const std::vector<named_layout> layouts{
        {1, {c}},
        {1, {make_id("C000")}},
        {2, {l, r}},
        {2, {make_id("C000"), make_id("C001")}},
        {3, {l, r, c}},
        {4, {l, r, ls, rs}},
        {5, {l, r, c, lfe}},
        {6, {l, r, c, ls, rs}},
        {7, {l, r, c, lfe, ls, rs}},
    };
    return layouts;
}

std::string quoted(const chunk_id& id)
{
    std::string text = "\"";
    for (const char ch : id) text += ch >= 0x20 && ch < 0x7F ? ch : '?';
    return text + "\"";
}

} // namespace

dsf_channel_layout dsf_layout_for(std::span<const chunk_id> ids)
{
    for (const named_layout& layout : named_layouts()) {
        if (layout.order.size() != ids.size()) continue;
        dsf_channel_layout result{layout.channel_type, {}};
        for (const chunk_id& wanted : layout.order) {
            const auto found = std::find(ids.begin(), ids.end(), wanted);
            if (found == ids.end()) break;
            result.source_channel.push_back(static_cast<std::uint32_t>(found - ids.begin()));
        }
        // Each wanted identifier differs from the others, so a full match uses every channel once.
        if (result.source_channel.size() == ids.size()) return result;
    }
    std::string names;
    for (const chunk_id& id : ids) names += (names.empty() ? "" : " ") + quoted(id);
    throw exception_io("The DSF format cannot hold the channel layout " + (names.empty() ? std::string("of no channels") : names));
}
