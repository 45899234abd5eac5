#include "path_data.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>

namespace ofd {
namespace {

class Tokens {
public:
    explicit Tokens(const std::string& text) : p_(text.data()), end_(p_ + text.size()) {}

    bool AtEnd() {
        Skip();
        return p_ >= end_;
    }
    // The next operator letter, or 0 when a number or nothing comes next.
    char Operator() {
        Skip();
        if (p_ < end_ && std::isalpha(static_cast<unsigned char>(*p_)) && *p_ != 'e' && *p_ != 'E')
            return *p_++;
        return 0;
    }
    bool Numbers(double* out, int count) {
        for (int i = 0; i < count; ++i) {
            Skip();
            if (p_ < end_ && *p_ == '+')
                ++p_;
            const auto [next, error] = std::from_chars(p_, end_, out[i]);
            if (error != std::errc() || !std::isfinite(out[i]))
                return false;
            p_ = next;
        }
        return true;
    }

private:
    void Skip() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r' || *p_ == ','))
            ++p_;
    }
    const char* p_;
    const char* end_;
};

// One arc of at most a quarter turn of the unit circle, from angle t0 to t1,
// mapped onto the ellipse and appended as a curve.
void ArcPiece(Path& path, double cx, double cy, double rx, double ry, double phi, double t0,
              double t1) {
    const double k = 4.0 / 3.0 * std::tan((t1 - t0) / 4);
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    auto map = [&](double ux, double uy, double* out) {
        const double x = rx * ux, y = ry * uy;
        out[0] = cx + x * cosPhi - y * sinPhi;
        out[1] = cy + x * sinPhi + y * cosPhi;
    };
    PathSegment s{PathSegment::kCurve, {}};
    map(std::cos(t0) - k * std::sin(t0), std::sin(t0) + k * std::cos(t0), s.points);
    map(std::cos(t1) + k * std::sin(t1), std::sin(t1) - k * std::cos(t1), s.points + 2);
    map(std::cos(t1), std::sin(t1), s.points + 4);
    path.push_back(s);
}

// The elliptical arc from (x0, y0) to (x, y) given as end points, radii,
// the x-axis rotation in degrees and the two flags, as the usual conversion
// to centre form goes.
void Arc(Path& path, double x0, double y0, const double* a) {
    double rx = std::fabs(a[0]), ry = std::fabs(a[1]);
    const double phi = a[2] * std::numbers::pi / 180;
    const bool large = a[3] != 0, sweep = a[4] != 0;
    const double x = a[5], y = a[6];
    if (rx == 0 || ry == 0 || (x == x0 && y == y0)) {
        path.push_back({PathSegment::kLine, {x, y}});
        return;
    }
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    const double dx = (x0 - x) / 2, dy = (y0 - y) / 2;
    const double x1 = cosPhi * dx + sinPhi * dy, y1 = -sinPhi * dx + cosPhi * dy;
    const double lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
    if (lambda > 1)
        rx *= std::sqrt(lambda), ry *= std::sqrt(lambda);
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double root = den > 0 ? std::sqrt(std::fmax(0.0, num / den)) : 0;
    if (large == sweep)
        root = -root;
    const double cx1 = root * rx * y1 / ry, cy1 = -root * ry * x1 / rx;
    const double cx = cosPhi * cx1 - sinPhi * cy1 + (x0 + x) / 2;
    const double cy = sinPhi * cx1 + cosPhi * cy1 + (y0 + y) / 2;
    const double t0 = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
    double delta = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx) - t0;
    if (sweep && delta < 0)
        delta += 2 * std::numbers::pi;
    else if (!sweep && delta > 0)
        delta -= 2 * std::numbers::pi;
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9)));
    for (int i = 0; i < pieces; ++i)
        ArcPiece(path, cx, cy, rx, ry, phi, t0 + delta * i / pieces, t0 + delta * (i + 1) / pieces);
    path.back().points[4] = x, path.back().points[5] = y;
}

}  // namespace

Path ParseAbbreviatedData(const std::string& data) {
    Path path;
    Tokens tokens(data);
    double x = 0, y = 0, startX = 0, startY = 0;
    double n[7];
    while (!tokens.AtEnd()) {
        const char op = tokens.Operator();
        switch (op) {
            case 'S':
            case 'M':
                if (!tokens.Numbers(n, 2))
                    return path;
                path.push_back({PathSegment::kMove, {n[0], n[1]}});
                x = startX = n[0], y = startY = n[1];
                break;
            case 'L':
                if (!tokens.Numbers(n, 2))
                    return path;
                path.push_back({PathSegment::kLine, {n[0], n[1]}});
                x = n[0], y = n[1];
                break;
            case 'Q':
                if (!tokens.Numbers(n, 4))
                    return path;
                path.push_back(
                    {PathSegment::kCurve,
                     {x + 2.0 / 3 * (n[0] - x), y + 2.0 / 3 * (n[1] - y),
                      n[2] + 2.0 / 3 * (n[0] - n[2]), n[3] + 2.0 / 3 * (n[1] - n[3]), n[2], n[3]}});
                x = n[2], y = n[3];
                break;
            case 'B':
                if (!tokens.Numbers(n, 6))
                    return path;
                path.push_back({PathSegment::kCurve, {n[0], n[1], n[2], n[3], n[4], n[5]}});
                x = n[4], y = n[5];
                break;
            case 'A':
                if (!tokens.Numbers(n, 7))
                    return path;
                Arc(path, x, y, n);
                x = n[5], y = n[6];
                break;
            case 'C':
                path.push_back({PathSegment::kClose, {}});
                x = startX, y = startY;
                break;
            default:
                return path;
        }
        // A path starting without a move starts where the pen is.
        if (path.size() == 1 && path[0].kind != PathSegment::kMove)
            path.insert(path.begin(), {PathSegment::kMove, {0, 0}});
    }
    return path;
}

void AppendPath(std::string& out, const Path& path, const Matrix& matrix) {
    for (const PathSegment& s : path) {
        const int count = s.kind == PathSegment::kCurve ? 3 : s.kind == PathSegment::kClose ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            double px = s.points[2 * i], py = s.points[2 * i + 1];
            matrix.Apply(px, py);
            AppendNumber(out, px);
            AppendNumber(out, py);
        }
        out += s.kind == PathSegment::kMove    ? "m\n"
               : s.kind == PathSegment::kLine  ? "l\n"
               : s.kind == PathSegment::kCurve ? "c\n"
                                               : "h\n";
    }
}

}  // namespace ofd
