#include "sigma_delta_modulator.h"

namespace dsdgen {

sigma_delta_modulator::sigma_delta_modulator(const noise_transfer_function& ntf)
    : sections(ntf.sections), states(ntf.sections.size())
{
}

void sigma_delta_modulator::clear_state()
{
    for (state& s : states) s = state{};
}

void sigma_delta_modulator::reset()
{
    clear_state();
    overload_count = 0;
    peak_input = 0.0;
}

} // namespace dsdgen
