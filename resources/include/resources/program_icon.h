// The program's picture: a sheet holding two invoices with a cut line
// between them. Drawn rather than stored, so that every size, from the
// menu's 16 pixels to the window's 256, is sharp and they never drift apart.
#pragma once

#include <QImage>

namespace vellumark {

// The icon, `size` pixels square, on a transparent ground.
QImage DrawProgramIcon(int size);

}  // namespace vellumark
