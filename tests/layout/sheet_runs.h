// Runs one layout over images of given pixel sizes, either on a recording
// canvas or through the real library and back out of the saved PDF.
#pragma once

#include "drawn_pages.h"
#include "layout/layout_mode.h"

#include <string>
#include <vector>

namespace vellumark::testing {

struct ImageSpec {
    int width = 0;
    int height = 0;
    bool undecodable = false;  // garbage bytes under an image's name
};

// On a canvas that records each page; `undecodable` images measure 0 x 0
// but are added, so the drawn sizes follow from 0 pixels.
std::vector<DrawnPage> RunOnRecorder(LayoutMode mode, const std::vector<ImageSpec>& tall,
                                     const std::vector<ImageSpec>& shortImages);

// Writes the images (JPEG for tall, PNG for short), lays them out on a
// template in `folder` through the library, saves and reads the PDF back.
// `notAdded` receives how many images the library could not add.
std::vector<DrawnPage> RunThroughLibrary(const std::string& folder, LayoutMode mode,
                                         const std::vector<ImageSpec>& tall,
                                         const std::vector<ImageSpec>& shortImages,
                                         int* notAdded = nullptr);

}  // namespace vellumark::testing
