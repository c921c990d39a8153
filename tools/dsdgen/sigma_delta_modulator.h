// A 1-bit sigma-delta modulator in error-feedback form: the quantiser input is
// u = x + (NTF − 1)·e, the output v = sign(u) (±1) and the error e = v − u, so
// that v = x + NTF·e exactly: the signal passes unchanged and the error is
// shaped by the NTF. NTF − 1 is strictly causal (the NTF is monic), so u needs
// only past errors.
//
// A 1-bit loop of high order can be driven into a large, self-sustaining
// oscillation by too large an input. The modulator watches the quantiser input
// and, when it leaves the range a stable loop keeps to, clears the filter
// state (a small click instead of a runaway) and counts an overload.
#pragma once

#include "noise_transfer_function.h"

#include <cstdint>
#include <vector>

namespace dsdgen {

class sigma_delta_modulator {
public:
    explicit sigma_delta_modulator(const noise_transfer_function& ntf);

    // One input sample in −1 … +1 (full modulation); returns the output bit,
    // 1 for +1 and 0 for −1.
    int step(double input)
    {
        double feedback = 0.0;
        for (const state& s : states) feedback += s.s1;
        const double u = input + feedback;
        peak_input = u > peak_input ? u : (-u > peak_input ? -u : peak_input);
        if (u > overload_limit || u < -overload_limit) {
            clear_state();
            ++overload_count;
            return input >= 0.0 ? 1 : 0;
        }
        const double v = u >= 0.0 ? 1.0 : -1.0;
        // Run the error through the cascade (transposed direct form II, b0 = 1).
        double x = v - u;
        for (std::size_t k = 0; k < states.size(); ++k) {
            const ntf_section& c = sections[k];
            state& s = states[k];
            const double y = x + s.s1;
            s.s1 = c.b1 * x - c.a1 * y + s.s2;
            s.s2 = c.b2 * x - c.a2 * y;
            x = y;
        }
        return v > 0.0 ? 1 : 0;
    }

    void reset();

    // Times the state was cleared because the loop left its stable range.
    std::uint64_t overloads() const { return overload_count; }
    // Largest |u| seen since construction or reset.
    double peak_quantizer_input() const { return peak_input; }

    // |u| beyond which the loop counts as overloaded. A stable loop with an
    // out-of-band gain near 1.5 stays well inside it.
    static constexpr double overload_limit = 8.0;

private:
    struct state {
        double s1 = 0.0, s2 = 0.0;
    };
    void clear_state();

    std::vector<ntf_section> sections;
    std::vector<state> states;
    std::uint64_t overload_count = 0;
    double peak_input = 0.0;
};

} // namespace dsdgen
