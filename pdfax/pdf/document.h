// State shared by the parts of the library: the current document and the
// unit and origin settings through which lengths cross the interface.
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>

namespace pdfax {

inline constexpr double kPointsPerMillimetre = 72.0 / 25.4;

// Lengths at the interface are in the unit chosen by SetGlobalMeasurementUnits
// and measured from the origin chosen by SetGlobalOrigin; inside the library
// they are PDF points.
struct Units {
    double pointsPerUnit = 1.0;  // points until millimetres are selected
    bool fromTop = false;        // y grows downwards from the top edge

    double ToPoints(double value) const { return value * pointsPerUnit; }
    double FromPoints(double points) const { return points / pointsPerUnit; }
};

// The document that LoadFromFile or NewDocument made current. `pdf` is null
// when there is none (nothing loaded yet, or the last load failed).
struct Document {
    std::shared_ptr<QPDF> pdf;
    int currentPage = 0;     // 0-based index into the page list
    std::string sourcePath;  // file it was loaded from; empty for a new document

    bool Empty() const { return !pdf; }
};

}  // namespace pdfax
