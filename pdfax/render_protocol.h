// What the library and its renderer processes say to each other over a
// stream socket: length-prefixed messages of plain fields. A renderer greets
// first, so that a renderer file of another build is told apart and unused.
#pragma once

#include <pdfax/library.h>

#include <string>

namespace pdfax {

inline constexpr const char* kRendererGreeting = "vellumark-renderer/2";

std::string EncodeJob(int index, const RenderJob& job);
bool DecodeJob(const std::string& message, int& index, RenderJob& job);
std::string EncodeImage(int index, const RenderedImage& image);
bool DecodeImage(const std::string& message, int& index, RenderedImage& image);

// One message, whole; false when the other side is gone. Never raises
// SIGPIPE.
bool SendMessage(int fd, const std::string& message);
// Waits for one message, whole; false at the end of the stream or on a
// malformed length.
bool ReceiveMessage(int fd, std::string& message);

}  // namespace pdfax
