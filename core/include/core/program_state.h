// Program-wide state, shared by the window program and the command: one
// instance for the whole run, created at start-up and released at exit.
#pragma once

#include "pdflib/pdf_library.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vellumark {

struct ProgramState {
    std::string programDirectory;  // no trailing separator; platform bytes
    // Where this run's images and merged file go; empty: the program
    // directory (see ChoosePlaces).
    std::string imageDirectory;
    std::string outputDirectory;
    bool inUserFolders = false;
    PdfLibrary pdfLibrary;
    std::string sourceFolder;
    std::int32_t printOrientation = 0;
    std::int32_t printPaperLength = 0;
    std::int32_t mergedPageCount = 0;

    std::string RendererFile() const { return programDirectory + "/VPL1811PDFium32.dll"; }
    std::string TempImageFolder() const { return ImageDirectory() + "/临时图片"; }
    std::string OutputPdf() const { return OutputDirectory() + "/电子发票.pdf"; }
    std::string ImageDirectory() const {
        return imageDirectory.empty() ? programDirectory : imageDirectory;
    }
    std::string OutputDirectory() const {
        return outputDirectory.empty() ? programDirectory : outputDirectory;
    }
    // The folders a merge writes into, which one merge at a time may hold.
    std::vector<std::string> WorkFolders() const { return {ImageDirectory(), OutputDirectory()}; }
};

// The folder that holds the running program file, as the platform's bytes.
std::string ProgramDirectory();

// The window-less half of start-up: the places are chosen, the library is
// deployed (in `programDirectory`, or the user's folder when that takes no
// files) and activated, and the program-wide state is ready. Never fails; a
// library that cannot be activated leaves the facade empty.
std::unique_ptr<ProgramState> CreateProgramState(const std::string& programDirectory);

// Names and creates the renderer the library renders with: the renderer
// program beside the program file.
void SetUpRenderer(ProgramState& state);

}  // namespace vellumark
