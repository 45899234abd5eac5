// Program-wide state: one instance for the whole run, created at start-up
// and released at exit.
#pragma once

#include "pdf_library.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vellumark {

struct ProgramState {
    std::string programDirectory;  // no trailing separator; platform bytes
    PdfLibrary pdfLibrary;
    std::string sourceFolder;
    std::vector<std::string> foundFiles;
    std::string splitTargetFolder;
    std::int32_t printOrientation = 0;
    std::int32_t printPaperLength = 0;
    std::int32_t mergedPageCount = 0;

    std::string RendererFile() const { return programDirectory + "/VPL1811PDFium32.dll"; }
    std::string TempImageFolder() const { return programDirectory + "/临时图片"; }
    std::string OutputPdf() const { return programDirectory + "/电子发票.pdf"; }
};

// The folder that holds the running program file, as the platform's bytes.
std::string ProgramDirectory();

}  // namespace vellumark
