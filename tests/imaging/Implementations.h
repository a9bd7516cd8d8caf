#pragma once

#include "imaging/ColorModel.h"
#include "imaging/Filter.h"
#include "platform/Pixel565.h"
#include "tests/support/ReferenceFilter.h"

#include <optional>
#include <span>
#include <string>

// The engine and the plain reference behind one interface, so that a test body written once runs
// against both: hand-computed cases then check the reference too, and the exactness tests call the same
// lambda with either.
namespace corvane::test {

struct EngineImpl {
    static constexpr const char* name = "Engine";
    CFilter filter;

    static int Expand5(int i) { return corvane::Expand5(static_cast<unsigned>(i)); }
    static int Expand6(int i) { return corvane::Expand6(static_cast<unsigned>(i)); }
    static int Quantize5(int v) { return corvane::Quantize5(static_cast<unsigned>(v)); }
    static int Quantize6(int v) { return corvane::Quantize6(static_cast<unsigned>(v)); }
    static ColorRef QuantizeColor16(ColorRef c) { return corvane::QuantizeColor16(c); }
    static Hsv RgbToHsv(int r, int g, int b) { return corvane::RgbToHsv(r, g, b); }
    static Hls RgbToHls(int r, int g, int b) { return corvane::RgbToHls(r, g, b); }
    static double ColorNormSquared(int r, int g, int b, ColorSpace s) {
        return corvane::ColorNormSquared(r, g, b, s);
    }
    static double ColorDistanceSquared(int r1, int g1, int b1, int r2, int g2, int b2, ColorSpace s) {
        return corvane::ColorDistanceSquared(r1, g1, b1, r2, g2, b2, s);
    }
    static double matchRate(double total, int w, int h, int sh, int sv) {
        return corvane::matchRate(total, w, h, sh, sv);
    }

    bool GreyscaleImage(const DeviceBitmap& s, DeviceBitmap& t, int f) const {
        return filter.GreyscaleImage(s, t, f);
    }
    bool BlurImage(const DeviceBitmap& s, DeviceBitmap& t, int n) const { return filter.BlurImage(s, t, n); }
    bool ReduceTo64Colors(const DeviceBitmap& s, DeviceBitmap& t) const {
        return filter.ReduceTo64Colors(s, t);
    }
    bool DetectEdges(const DeviceBitmap& s, DeviceBitmap& t) const { return filter.DetectEdges(s, t); }
    bool ComparePixels(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, int sh, int sv,
                       ColorRef c) const {
        return filter.ComparePixels(a, b, t, sh, sv, c);
    }
    bool BlendImages(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, int mode) const {
        return filter.BlendImages(a, b, t, mode);
    }
    bool Binarize(const DeviceBitmap& s, DeviceBitmap& t, int a, ColorSpace cs) const {
        return filter.Binarize(s, t, a, cs);
    }
    bool GradationImage(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, ColorSpace cs) const {
        return filter.GradationImage(a, b, t, cs);
    }
    bool DifferenceMask(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, ColorSpace cs,
                        int level) const {
        return filter.DifferenceMask(a, b, t, cs, level);
    }
    bool EmbossImage(const DeviceBitmap& s, DeviceBitmap& t, int strength) const {
        return filter.EmbossImage(s, t, strength);
    }
    bool BlackToRed(const DeviceBitmap& s, DeviceBitmap& t) const { return filter.BlackToRed(s, t); }
    bool RedToBlack(const DeviceBitmap& s, DeviceBitmap& t) const { return filter.RedToBlack(s, t); }
    bool ComputeHistogram(const DeviceBitmap& s, Histogram& h) const { return filter.ComputeHistogram(s, h); }
    bool ScanMatch(const DeviceBitmap& a, const DeviceBitmap& b, int sh, int sv, std::span<int> rows,
                   std::span<int> columns, double& total, ScanChannel channel) const {
        return filter.ScanMatch(a, b, sh, sv, rows, columns, total, channel);
    }
    std::optional<ShiftMatch> SearchBestMatch(const DeviceBitmap& a, const DeviceBitmap& b) const {
        return filter.SearchBestMatch(a, b);
    }
};

struct ReferenceImpl {
    static constexpr const char* name = "Reference";

    static int Expand5(int i) { return reference::Expand5(i); }
    static int Expand6(int i) { return reference::Expand6(i); }
    static int Quantize5(int v) { return reference::Quantize5(v); }
    static int Quantize6(int v) { return reference::Quantize6(v); }
    static ColorRef QuantizeColor16(ColorRef c) { return reference::QuantizeColor16(c); }
    static Hsv RgbToHsv(int r, int g, int b) { return reference::RgbToHsv(r, g, b); }
    static Hls RgbToHls(int r, int g, int b) { return reference::RgbToHls(r, g, b); }
    static double ColorNormSquared(int r, int g, int b, ColorSpace s) {
        return reference::ColorNormSquared(r, g, b, s);
    }
    static double ColorDistanceSquared(int r1, int g1, int b1, int r2, int g2, int b2, ColorSpace s) {
        return reference::ColorDistanceSquared(r1, g1, b1, r2, g2, b2, s);
    }
    static double matchRate(double total, int w, int h, int sh, int sv) {
        return reference::matchRate(total, w, h, sh, sv);
    }

    bool GreyscaleImage(const DeviceBitmap& s, DeviceBitmap& t, int f) const {
        return reference::GreyscaleImage(s, t, f);
    }
    bool BlurImage(const DeviceBitmap& s, DeviceBitmap& t, int n) const {
        return reference::BlurImage(s, t, n);
    }
    bool ReduceTo64Colors(const DeviceBitmap& s, DeviceBitmap& t) const {
        return reference::ReduceTo64Colors(s, t);
    }
    bool DetectEdges(const DeviceBitmap& s, DeviceBitmap& t) const { return reference::DetectEdges(s, t); }
    bool ComparePixels(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, int sh, int sv,
                       ColorRef c) const {
        return reference::ComparePixels(a, b, t, sh, sv, c);
    }
    bool BlendImages(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, int mode) const {
        return reference::BlendImages(a, b, t, mode);
    }
    bool Binarize(const DeviceBitmap& s, DeviceBitmap& t, int a, ColorSpace cs) const {
        return reference::Binarize(s, t, a, cs);
    }
    bool GradationImage(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, ColorSpace cs) const {
        return reference::GradationImage(a, b, t, cs);
    }
    bool DifferenceMask(const DeviceBitmap& a, const DeviceBitmap& b, DeviceBitmap& t, ColorSpace cs,
                        int level) const {
        return reference::DifferenceMask(a, b, t, cs, level);
    }
    bool EmbossImage(const DeviceBitmap& s, DeviceBitmap& t, int strength) const {
        return reference::EmbossImage(s, t, strength);
    }
    bool BlackToRed(const DeviceBitmap& s, DeviceBitmap& t) const { return reference::BlackToRed(s, t); }
    bool RedToBlack(const DeviceBitmap& s, DeviceBitmap& t) const { return reference::RedToBlack(s, t); }
    bool ComputeHistogram(const DeviceBitmap& s, Histogram& h) const {
        return reference::ComputeHistogram(s, h);
    }
    bool ScanMatch(const DeviceBitmap& a, const DeviceBitmap& b, int sh, int sv, std::span<int> rows,
                   std::span<int> columns, double& total, ScanChannel channel) const {
        return reference::ScanMatch(a, b, sh, sv, rows, columns, total, channel);
    }
    std::optional<ShiftMatch> SearchBestMatch(const DeviceBitmap& a, const DeviceBitmap& b) const {
        return reference::SearchBestMatch(a, b);
    }
};

// Names the typed-test instances "Engine" and "Reference" instead of 0 and 1.
struct ImplementationName {
    template <class T>
    static std::string GetName(int) {
        return T::name;
    }
};

} // namespace corvane::test
