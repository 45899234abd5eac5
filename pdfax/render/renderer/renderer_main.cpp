// The renderer program: renders the pages the library sends over descriptor
// 3, one after another, and answers each with its image's size or the
// reason it could not. It keeps the renderer set up from its first page to
// its last, and ends when the library closes the connection or its process
// ends. What the renderer's libraries say goes to standard error, which the
// library keeps for its log.
#include "render/render_job.h"
#include "render/render_protocol.h"

#include <string>

int main(int argc, char** argv) {
    constexpr int kConnection = 3;
    if (!pdfax::ServeForParent(argc, argv))
        return 2;  // started by the library only
    const pdfax::RendererSession session;
    if (!pdfax::SendMessage(kConnection, pdfax::kRendererGreeting))
        return 1;
    std::string message;
    while (pdfax::ReceiveMessage(kConnection, message)) {
        int index = -1;
        pdfax::RenderJob job;
        if (!pdfax::DecodeJob(message, index, job))
            return 1;
        if (!pdfax::SendMessage(kConnection,
                                pdfax::EncodeImage(index, pdfax::RenderJobToFile(job))))
            return 1;
    }
    return 0;
}
