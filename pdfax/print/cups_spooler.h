// Print jobs through the CUPS scheduler that libcups finds (CUPS_SERVER,
// client.conf or the local socket).
#pragma once

#include "print/spooler.h"

namespace pdfax {

class CupsSpooler final : public Spooler {
public:
    int Submit(const PrintJob& job) override;
};

}  // namespace pdfax
