// The abbreviated path data of OFD paths and clips, as moves, lines, cubic
// curves and closes: quadratic curves and elliptical arcs become cubic
// Béziers, the only curves PDF draws.
#pragma once

#include <string>
#include <vector>

#include "geometry.h"

namespace ofd {

struct PathSegment {
    enum Kind { kMove, kLine, kCurve, kClose } kind;
    double points[6];  // x y for move and line; x1 y1 x2 y2 x3 y3 for curves
};

using Path = std::vector<PathSegment>;

// Unknown operators and operators short of numbers end the path where they
// stand: what came before is drawn, as a reader of the format would.
Path ParseAbbreviatedData(const std::string& data);

// The path as PDF path operators, each point mapped by `matrix` first.
void AppendPath(std::string& out, const Path& path, const Matrix& matrix = Matrix{});

}  // namespace ofd
