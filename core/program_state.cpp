#include "core/program_state.h"

#include "core/program_places.h"

#include <unistd.h>

#include <climits>

namespace vellumark {

std::string ProgramDirectory() {
    // /proc/self/exe keeps the file name's own bytes, which a QString
    // round trip would not for names that are not UTF-8.
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string() : path.substr(0, slash);
}

std::unique_ptr<ProgramState> CreateProgramState(const std::string& programDirectory) {
    auto state = std::make_unique<ProgramState>();
    state->programDirectory = programDirectory;
    const ProgramPlaces places = ChoosePlaces(programDirectory);
    state->imageDirectory = places.imageDirectory;
    state->outputDirectory = places.outputDirectory;
    state->inUserFolders = places.inUserFolders;
    state->pdfLibrary.Initialise(programDirectory, places.moduleFallback);
    return state;
}

void SetUpRenderer(ProgramState& state) {
    state.pdfLibrary.SetPDFiumFileName(state.RendererFile());
    state.pdfLibrary.SelectRenderer(pdfax::kRendererPdfium);
    state.pdfLibrary.CreateRenderer();
}

}  // namespace vellumark
