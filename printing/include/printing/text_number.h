// Numbers typed into the print window.
#pragma once

#include <QString>

namespace vellumark {

// The leading numeric text as a decimal number: blanks, an optional sign,
// digits and an optional fraction. Empty or non-numeric text reads as 0;
// "12abc" reads as 12.
double TextToNumber(const QString& text);

// TextToNumber truncated toward zero, held to the range of int.
int TextToInteger(const QString& text);

}  // namespace vellumark
