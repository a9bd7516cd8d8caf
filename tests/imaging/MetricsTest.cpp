// Quality metrics: CIEDE2000 on the published test pairs, PSNR of a known error, SSIM against its
// windowed definition and against hand-computed cases, and the region and format rules.

#include "imaging/Metrics.h"
#include "imaging/ColorDifference.h"
#include "platform/Blit.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace corvane::test {
namespace {

struct LabPair {
    Lab first, second;
    double deltaE;
};

// Table 1 of Sharma, Wu and Dalal (2005): the 34 test pairs with their differences to four decimals.
const LabPair kSharmaPairs[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

TEST(Ciede2000, PublishedTestPairsInBothOrders) {
    int pair = 1;
    for (const LabPair& p : kSharmaPairs) {
        EXPECT_NEAR(ciede2000(p.first, p.second), p.deltaE, 0.5e-4) << "pair " << pair;
        EXPECT_NEAR(ciede2000(p.second, p.first), p.deltaE, 0.5e-4) << "pair " << pair << " reversed";
        EXPECT_EQ(ciede2000(p.first, p.first), 0.0) << "pair " << pair;
        ++pair;
    }
}

// Hues exactly opposite each other (a difference of 180°) and achromatic colours take their own paths;
// the difference is continuous into them and symmetric.
TEST(Ciede2000, OppositeHuesAndGreysJoinTheirNeighbours) {
    const Lab red{50, 10, 0}, green{50, -10, 0}, nearlyGreen{50, -10, 1e-9};
    EXPECT_NEAR(ciede2000(red, green), ciede2000(red, nearlyGreen), 1e-6);
    EXPECT_NEAR(ciede2000(green, red), ciede2000(nearlyGreen, red), 1e-6);
    EXPECT_NEAR(ciede2000(red, green), ciede2000(green, red), 1e-12);
    const Lab grey{50, 0, 0}, nearlyGrey{50, 1e-9, 0};
    EXPECT_NEAR(ciede2000(grey, red), ciede2000(nearlyGrey, red), 1e-6);
    EXPECT_NEAR(ciede2000(grey, Lab{60, 0, 0}), ciede2000(nearlyGrey, Lab{60, 0, 0}), 1e-6);
}

// sRGB white is the D65 white; the primaries' well-known CIELAB values.
TEST(LabFromSrgb, WhiteBlackAndPrimaries) {
    const auto expectLab = [](Rgb8 c, double L, double a, double b) {
        const Lab lab = labFromSrgb(c);
        EXPECT_NEAR(lab.L, L, 2e-3) << int{c.r} << "," << int{c.g} << "," << int{c.b};
        EXPECT_NEAR(lab.a, a, 2e-3) << int{c.r} << "," << int{c.g} << "," << int{c.b};
        EXPECT_NEAR(lab.b, b, 2e-3) << int{c.r} << "," << int{c.g} << "," << int{c.b};
    };
    expectLab({255, 255, 255}, 100, 0, 0);
    expectLab({0, 0, 0}, 0, 0, 0);
    expectLab({255, 0, 0}, 53.2408, 80.0925, 67.2032);
    expectLab({0, 255, 0}, 87.7347, -86.1827, 83.1793);
    expectLab({0, 0, 255}, 32.2970, 79.1875, -107.8602);
    // The linear part of the transfer curve: a grey of 1 has L = 116 × (Y × 24389 / 27 + 16) / 116 − 16.
    expectLab({1, 1, 1}, 0.2742, 0, 0);
}

// On the grey axis L = 116 ∛Y − 16 with Y the sRGB curve of the level (times the 1.0000001 the matrix's
// middle row adds up to): the cube root is right to the last digits.
TEST(LabFromSrgb, GreyAxisAgainstTheLibraryCubeRoot) {
    for (int v = 0; v < 256; ++v) {
        const double c = v / 255.0;
        const double y = (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4)) * 1.0000001;
        const double expected = y > 216.0 / 24389.0 ? 116 * std::cbrt(y) - 16 : 24389.0 / 27.0 * y;
        const auto level = static_cast<std::uint8_t>(v);
        EXPECT_NEAR(labFromSrgb({level, level, level}).L, expected, 1e-11) << v;
    }
}

// The row forms give exactly the single-colour values, also for greys and opposite hues, which take
// their own path.
TEST(ColorDifferenceRows, EqualTheSingleColourFunctions) {
    std::mt19937 random(5);
    std::vector<std::uint32_t> colors1, colors2;
    for (int i = 0; i < 997; ++i) {
        const auto c = static_cast<std::uint32_t>(random() & 0xFFFFFF);
        colors1.push_back(c);
        colors2.push_back(i % 5 == 0 ? c ^ static_cast<std::uint32_t>(random() % 8)
                                     : static_cast<std::uint32_t>(random() & 0xFFFFFF));
    }
    for (const auto& [c1, c2] :
         {std::pair{0x808080u, 0x404040u}, {0x808080u, 0xFF0000u}, {0xFF0000u, 0xFF0000u}, {0u, 0xFFFFFFu}}) {
        colors1.push_back(c1);
        colors2.push_back(c2);
    }
    const int n = static_cast<int>(colors1.size());
    std::vector<double> v(7 * colors1.size());
    const auto s = colors1.size();
    const LabArrays lab1{&v[0], &v[s], &v[2 * s]}, lab2{&v[3 * s], &v[4 * s], &v[5 * s]};
    labFromSrgbRow(colors1.data(), n, lab1);
    labFromSrgbRow(colors2.data(), n, lab2);
    ciede2000Row(lab1, lab2, n, &v[6 * s]);
    const auto rgb = [](std::uint32_t c) {
        return Rgb8{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                    static_cast<std::uint8_t>(c)};
    };
    for (std::size_t i = 0; i < s; ++i) {
        const Lab p = labFromSrgb(rgb(colors1[i])), q = labFromSrgb(rgb(colors2[i]));
        ASSERT_EQ(lab1.L[i], p.L) << i;
        ASSERT_EQ(lab1.a[i], p.a) << i;
        ASSERT_EQ(lab2.b[i], q.b) << i;
        ASSERT_EQ(v[6 * s + i], ciede2000(p, q)) << i;
    }
    // The opposite hues of the published pairs through the rows as well.
    std::vector<double> w(14);
    const LabArrays one{&w[0], &w[1], &w[2]}, two{&w[3], &w[4], &w[5]};
    for (const LabPair& p : kSharmaPairs) {
        w[0] = p.first.L, w[1] = p.first.a, w[2] = p.first.b;
        w[3] = p.second.L, w[4] = p.second.a, w[5] = p.second.b;
        ciede2000Row(one, two, 1, &w[6]);
        EXPECT_NEAR(w[6], p.deltaE, 0.5e-4);
    }
}

// The windowed definition of the mean SSIM, pixel by pixel: an 11 × 11 Gaussian window (σ 1.5) on the
// luma of both images at every pixel at least 5 from the border.
double plainSsim(const DeviceBitmap& a, const DeviceBitmap& b) {
    std::array<double, 11> g{};
    double sum = 0;
    for (int i = 0; i < 11; ++i) {
        g[static_cast<std::size_t>(i)] = std::exp(-(i - 5) * (i - 5) / (2 * 1.5 * 1.5));
        sum += g[static_cast<std::size_t>(i)];
    }
    const auto luma = [](ColorRef c) {
        return 0.299 * redOf(c) + 0.587 * greenOf(c) + 0.114 * blueOf(c);
    };
    const double c1 = 2.55 * 2.55;
    const double c2 = 7.65 * 7.65;
    double total = 0;
    int count = 0;
    for (int y = 5; y < a.height() - 5; ++y) {
        for (int x = 5; x < a.width() - 5; ++x) {
            double ma = 0, mb = 0, aa = 0, bb = 0, ab = 0;
            for (int j = 0; j < 11; ++j) {
                for (int i = 0; i < 11; ++i) {
                    const double w =
                        g[static_cast<std::size_t>(i)] * g[static_cast<std::size_t>(j)] / (sum * sum);
                    const double la = luma(a.pixel(x + i - 5, y + j - 5));
                    const double lb = luma(b.pixel(x + i - 5, y + j - 5));
                    ma += w * la;
                    mb += w * lb;
                    aa += w * la * la;
                    bb += w * lb * lb;
                    ab += w * la * lb;
                }
            }
            const double va = aa - ma * ma, vb = bb - mb * mb, cov = ab - ma * mb;
            total += (2 * ma * mb + c1) * (2 * cov + c2) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++count;
        }
    }
    return total / count;
}

// A copy with every channel moved by `offset` (kept within 0–255).
DeviceBitmap offsetCopy(const DeviceBitmap& image, int offset) {
    DeviceBitmap copy = image.clone();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const ColorRef c = image.pixel(x, y);
            const auto move = [offset](int v) {
                return static_cast<std::uint8_t>(std::clamp(v + offset, 0, 255));
            };
            copy.setPixel(x, y, makeColor(move(redOf(c)), move(greenOf(c)), move(blueOf(c))));
        }
    }
    return copy;
}

TEST(MeanSsim, EqualsTheWindowedDefinition) {
    const DeviceBitmap a = randomBitmap(23, 19, 32, 21);
    const DeviceBitmap noisy = nudgedCopy(a, 40, 22);
    const DeviceBitmap unrelated = randomBitmap(23, 19, 32, 23);
    for (const DeviceBitmap* b : {&noisy, &unrelated}) {
        const auto s = meanSsim(a, *b, 0, 0);
        ASSERT_TRUE(s);
        EXPECT_NEAR(*s, plainSsim(a, *b), 1e-12);
    }
    // Two bands of rows on a larger pair (also a check that the halves meet without a seam).
    const DeviceBitmap big = randomBitmap(600, 450, 32, 24);
    const DeviceBitmap bigNoisy = nudgedCopy(big, 30, 25);
    EXPECT_NEAR(*meanSsim(big, bigNoisy, 0, 0), plainSsim(big, bigNoisy), 1e-12);
}

// With a constant offset only the luminance term is left: for flat greys 100 and 110 it is
// (2 × 100 × 110 + C1) / (100² + 110² + C1) with C1 = 2.55² = 6.5025, so 22006.5025 / 22106.5025.
TEST(MeanSsim, ConstantOffset) {
    const DeviceBitmap grey = solidBitmap(16, 16, 32, 0x646464);
    const DeviceBitmap lighter = solidBitmap(16, 16, 32, 0x6E6E6E);
    EXPECT_NEAR(*meanSsim(grey, lighter, 0, 0), 22006.5025 / 22106.5025, 1e-12);
    // A textured image and the same moved up by 20: structure and contrast stay 1, the value falls short
    // of 1 only through the luminance term.
    const DeviceBitmap textured = offsetCopy(randomBitmap(20, 20, 32, 5), -30);
    const DeviceBitmap moved = offsetCopy(textured, 20);
    const double s = *meanSsim(textured, moved, 0, 0);
    EXPECT_NEAR(s, plainSsim(textured, moved), 1e-12);
    EXPECT_LT(s, 1.0);
    EXPECT_GT(s, 0.95);
}

// A fixed pair whose mean SSIM scikit-image 0.19's structural_similarity gives as 0.6867303249209016 on
// the same luma (gaussian_weights, σ 1.5, population covariance, data range 255).
TEST(MeanSsim, AgreesWithTheCommonImplementation) {
    std::vector<std::uint8_t> argb1(24 * 20 * 4), argb2(24 * 20 * 4);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 24; ++x) {
            std::uint8_t* p = &argb1[static_cast<std::size_t>((y * 24 + x) * 4)];
            std::uint8_t* q = &argb2[static_cast<std::size_t>((y * 24 + x) * 4)];
            p[2] = static_cast<std::uint8_t>((x * 37 + y * 11) % 256);
            p[1] = static_cast<std::uint8_t>((x * x + 3 * y) % 256);
            p[0] = static_cast<std::uint8_t>((x * y * 5 + 7) % 256);
            q[2] = static_cast<std::uint8_t>((p[2] + (x + y) % 7 * 4) % 256);
            q[1] = static_cast<std::uint8_t>((p[1] + 9) % 256);
            q[0] = static_cast<std::uint8_t>((x * y * 5 + 7 + x) % 256);
            p[3] = q[3] = 255;
        }
    }
    const DeviceBitmap a = DeviceBitmap::fromArgb32(argb1.data(), 24, 20, 24 * 4, 32);
    const DeviceBitmap b = DeviceBitmap::fromArgb32(argb2.data(), 24, 20, 24 * 4, 32);
    EXPECT_NEAR(*meanSsim(a, b, 0, 0), 0.6867303249209016, 1e-12);
}

TEST(ComputeMetrics, IdenticalImages) {
    for (const int bits : {16, 24, 32}) {
        const DeviceBitmap a = randomBitmap(20, 15, bits, 1);
        const auto m = computeMetrics(a, a, 0, 0);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->pixels, 300);
        EXPECT_EQ(m->ae, 0);
        EXPECT_EQ(m->mae, 0);
        EXPECT_EQ(m->rmse, 0);
        EXPECT_TRUE(std::isinf(m->psnr) && m->psnr > 0);
        EXPECT_EQ(m->ssim, 1.0);
        EXPECT_EQ(m->deltae, 0);
    }
}

// Grey 100 everywhere (6 × 4 pixels, 72 values); one red value up by 30 and one blue value down by 10:
// MSE = (900 + 100) / 72 = 13.888…, PSNR = 10 log10(65025 × 72 / 1000) = 10 log10(4681.8) = 36.704129,
// MAE = 40 / 72.
TEST(ComputeMetrics, KnownSquaredError) {
    const DeviceBitmap a = solidBitmap(6, 4, 32, 0x646464);
    DeviceBitmap b = a.clone();
    b.setPixel(0, 0, makeColor(130, 100, 100));
    b.setPixel(5, 3, makeColor(100, 100, 90));
    const auto m = computeMetrics(a, b, 0, 0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->ae, 2);
    EXPECT_DOUBLE_EQ(m->mae, 40.0 / 72.0);
    EXPECT_DOUBLE_EQ(m->rmse, std::sqrt(1000.0 / 72.0));
    EXPECT_NEAR(m->psnr, 36.704129, 1e-6);
    // The mean over all 24 pixels, equal ones included.
    const Lab grey = labFromSrgb({100, 100, 100});
    EXPECT_DOUBLE_EQ(
        m->deltae,
        (ciede2000(grey, labFromSrgb({130, 100, 100})) + ciede2000(grey, labFromSrgb({100, 100, 90}))) / 24);
    EXPECT_FALSE(m->ssim); // 4 rows: smaller than the window
}

DeviceBitmap crop(const DeviceBitmap& image, int x, int y, int width, int height) {
    DeviceBitmap c = DeviceBitmap::create(width, height, image.bitsPixel());
    bitBlt(c, 0, 0, width, height, image, x, y);
    return c;
}

// At a shift the metrics are those of the overlap alone.
TEST(ComputeMetrics, AtAShiftOnlyTheOverlapIsMeasured) {
    const DeviceBitmap a = randomBitmap(40, 30, 32, 31);
    const DeviceBitmap b = nudgedCopy(a, 20, 32);
    const auto shifted = computeMetrics(a, b, -3, 4);
    const auto alone = computeMetrics(crop(a, 0, 4, 37, 26), crop(b, 0, 4, 37, 26), 0, 0);
    ASSERT_TRUE(shifted && alone);
    EXPECT_EQ(shifted->pixels, 37 * 26);
    EXPECT_EQ(shifted->ae, alone->ae);
    EXPECT_EQ(shifted->mae, alone->mae);
    EXPECT_EQ(shifted->psnr, alone->psnr);
    EXPECT_EQ(shifted->ssim, alone->ssim);
    EXPECT_EQ(shifted->deltae, alone->deltae);
}

// The same 8-bit content gives the same metrics in every format.
TEST(ComputeMetrics, SameInEveryFormat) {
    const DeviceBitmap a16 = randomBitmap(30, 25, 16, 41);
    const DeviceBitmap b16 = perturbedCopy(a16, 50, 42);
    const auto convert = [](const DeviceBitmap& image, int bits) {
        std::vector<std::uint8_t> argb(static_cast<std::size_t>(image.width() * image.height()) * 4);
        image.toArgb32(argb.data(), image.width() * 4);
        return DeviceBitmap::fromArgb32(argb.data(), image.width(), image.height(), image.width() * 4, bits);
    };
    const auto m16 = computeMetrics(a16, b16, 2, -1);
    ASSERT_TRUE(m16);
    EXPECT_GT(m16->ae, 0);
    for (const int bits : {24, 32}) {
        const auto m = computeMetrics(convert(a16, bits), convert(b16, bits), 2, -1);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->ae, m16->ae);
        EXPECT_EQ(m->mae, m16->mae);
        EXPECT_EQ(m->rmse, m16->rmse);
        EXPECT_EQ(m->ssim, m16->ssim);
        EXPECT_EQ(m->deltae, m16->deltae);
    }
}

TEST(ComputeMetrics, EmptyOverlapAndBadGeometry) {
    const DeviceBitmap a = randomBitmap(20, 15, 24, 1);
    const DeviceBitmap b = randomBitmap(20, 15, 24, 2);
    const auto none = computeMetrics(a, b, 20, 0);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->pixels, 0);
    EXPECT_TRUE(std::isnan(none->mae) && std::isnan(none->psnr) && std::isnan(none->deltae));
    EXPECT_FALSE(none->ssim);
    EXPECT_FALSE(computeMetrics(a, randomBitmap(20, 15, 32, 2), 0, 0));
    EXPECT_FALSE(computeMetrics(a, randomBitmap(21, 15, 24, 2), 0, 0));
    EXPECT_FALSE(meanSsim(a, b, 0, 5)); // 10 rows left
    EXPECT_TRUE(meanSsim(a, b, 0, 4));
}

} // namespace
} // namespace corvane::test
