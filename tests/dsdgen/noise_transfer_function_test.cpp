#include "noise_transfer_function.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace dsdgen;

TEST(legendre_roots, match_known_gauss_points)
{
    // Roots of P2, P3 and P4 (the optimal in-band zero positions) are the known Gauss–Legendre points.
    const auto two = legendre_roots(2), three = legendre_roots(3), four = legendre_roots(4);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NEAR(two[1], 1.0 / std::sqrt(3.0), 1e-14);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_NEAR(three[0], -std::sqrt(0.6), 1e-14);
    EXPECT_EQ(three[1], 0.0);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_NEAR(four[2], 0.3399810435848563, 1e-14);
    EXPECT_NEAR(four[3], 0.8611363115940526, 1e-14);
}

TEST(noise_transfer_function, meets_peak_gain_and_suppresses_audio_band)
{
    // Order 7 at 64× oversampling: peak gain on target, stable poles, sections equal the pole-zero form,
    // and the audio band 88 dB down in mean power.
    const noise_transfer_function ntf = design_noise_transfer_function(7, 64.0, 1.3);
    EXPECT_NEAR(ntf.peak_gain(), 1.3, 1e-3);
    ASSERT_EQ(ntf.poles.size(), 7u);
    for (const auto& pole : ntf.poles) EXPECT_LT(std::abs(pole), 1.0);
    ASSERT_EQ(ntf.sections.size(), 4u);
    for (double w : {0.001, 0.01, 0.3, 3.0}) {
        const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
        std::complex<double> product = 1.0;
        for (const ntf_section& s : ntf.sections) product *= (1.0 + s.b1 * z1 + s.b2 * z2) / (1.0 + s.a1 * z1 + s.a2 * z2);
        EXPECT_NEAR(std::abs(product - ntf.response(w)), 0.0, 1e-9 * std::abs(ntf.response(w)) + 1e-15) << "omega " << w;
    }
    const double band_edge = std::numbers::pi / 64.0;
    double power = 0.0;
    for (int k = 0; k < 1000; ++k) power += std::norm(ntf.response(band_edge * (k + 0.5) / 1000.0)) / 1000.0;
    EXPECT_LT(10.0 * std::log10(power), -88.0);
}
