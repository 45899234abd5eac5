// Reading the pixel size of a PNG or JPEG from its structure alone, checking
// on the way that the file is whole, without building its pixels.
#pragma once

#include "image_measure.h"

#include <string>

namespace vellumark {

enum class ProbeVerdict {
    kBad,    // not a PNG or JPEG, or damaged or cut short
    kGood,   // whole, and of this size
    kDoubt,  // legal but unusual; only decoding can tell
};

struct ProbeResult {
    ProbeVerdict verdict = ProbeVerdict::kBad;
    ImageSize size;
};

ProbeResult ProbeImage(const std::string& bytes);

}  // namespace vellumark
