#pragma once

#include <QImage>

namespace corvane {

// Two similar generated pictures with a few differences (a moved shape, a recoloured shape, a missing
// label and a patch of noise), for the first start and for demonstrations.
struct SamplePair {
    QImage original1;
    QImage original2;
};

SamplePair makeSamplePair(int width, int height);

} // namespace corvane
