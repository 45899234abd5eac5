#include "geometry.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ofd {

Matrix Matrix::Then(const Matrix& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,       c * t.a + d * t.c,
            c * t.b + d * t.d, e * t.a + f * t.c + t.e, e * t.b + f * t.d + t.f};
}

void Matrix::Apply(double& x, double& y) const {
    const double nx = a * x + c * y + e;
    y = b * x + d * y + f;
    x = nx;
}

std::optional<std::vector<double>> ParseNumbers(const std::string& text) {
    std::vector<double> out;
    const char* p = text.data();
    const char* end = p + text.size();
    while (true) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == ','))
            ++p;
        if (p >= end)
            break;
        if (*p == '+')
            ++p;
        double value = 0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc() || !std::isfinite(value))
            return std::nullopt;
        out.push_back(value);
        p = next;
    }
    return out;
}

std::optional<Box> ParseBox(const std::string& text) {
    const auto numbers = ParseNumbers(text);
    if (!numbers || numbers->size() != 4)
        return std::nullopt;
    return Box{(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]};
}

std::optional<Matrix> ParseMatrix(const std::string& text) {
    const auto n = ParseNumbers(text);
    if (!n || n->size() != 6)
        return std::nullopt;
    return Matrix{(*n)[0], (*n)[1], (*n)[2], (*n)[3], (*n)[4], (*n)[5]};
}

double ParseNumber(const std::string& text, double fallback) {
    const auto numbers = ParseNumbers(text);
    return numbers && numbers->size() == 1 ? numbers->front() : fallback;
}

void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value) || std::fabs(value) < 1e-6)
        value = 0;
    // Nothing on a page lies a kilometre away; this also bounds the text.
    value = std::fmax(-1e9, std::fmin(1e9, value));
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, "%.5f", value);
    while (length > 0 && buffer[length - 1] == '0')
        --length;
    if (length > 0 && buffer[length - 1] == '.')
        --length;
    if (length == 2 && buffer[0] == '-' && buffer[1] == '0')
        length = 1, buffer[0] = '0';
    out.append(buffer, static_cast<std::size_t>(length));
    out += ' ';
}

}  // namespace ofd
