// Program-wide state, shared by the window program and the command: one
// instance for the whole run, created at start-up and released at exit.
#pragma once

#include "pdflib/pdf_library.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vellumark {

struct ProgramState {
    std::string programDirectory;  // no trailing separator; platform bytes
    PdfLibrary pdfLibrary;
    std::string sourceFolder;
    std::int32_t printOrientation = 0;
    std::int32_t printPaperLength = 0;
    std::int32_t mergedPageCount = 0;

    std::string RendererFile() const { return programDirectory + "/VPL1811PDFium32.dll"; }
    std::string TempImageFolder() const { return programDirectory + "/临时图片"; }
    std::string OutputPdf() const { return programDirectory + "/电子发票.pdf"; }
};

// The folder that holds the running program file, as the platform's bytes.
std::string ProgramDirectory();

// The window-less half of start-up: the library is deployed and activated in
// `programDirectory` and the program-wide state is ready. Never fails; a
// library that cannot be activated leaves the facade empty.
std::unique_ptr<ProgramState> CreateProgramState(const std::string& programDirectory);

// Names and creates the renderer the library renders with: the renderer
// program beside the program file.
void SetUpRenderer(ProgramState& state);

}  // namespace vellumark
