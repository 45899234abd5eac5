// One OFD page as a one-page PDF, made with qpdf.
#pragma once

#include <variant>

#include "model.h"
#include "ofd/ofd.h"

namespace ofd {

std::variant<PagePdf, Error> ConvertPage(const Model& model, int index);

}  // namespace ofd
