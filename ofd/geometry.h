// Numbers, boxes and matrices as OFD writes them: millimetres, y downwards,
// matrices "a b c d e f" mapping (x, y) to (ax + cy + e, bx + dy + f).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ofd {

struct Box {
    double x = 0, y = 0, width = 0, height = 0;
};

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    // First this, then `then`.
    Matrix Then(const Matrix& then) const;
    void Apply(double& x, double& y) const;
    static Matrix Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Matrix Scale(double x, double y) { return {x, 0, 0, y, 0, 0}; }
};

// The finite numbers of a space-separated list; nullopt when any item is not
// a finite number.
std::optional<std::vector<double>> ParseNumbers(const std::string& text);
std::optional<Box> ParseBox(const std::string& text);
std::optional<Matrix> ParseMatrix(const std::string& text);
double ParseNumber(const std::string& text, double fallback);

// A number for a PDF content stream: short, never in exponent form.
void AppendNumber(std::string& out, double value);

}  // namespace ofd
