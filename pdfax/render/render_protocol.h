// What the library and its renderer processes say to each other over a
// stream socket: length-prefixed messages of plain fields. A renderer greets
// first, so that a renderer file of another build is told apart and unused.
#pragma once

#include <pdfax/library.h>

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace pdfax {

// No page's paths and texts come near this; a longer length is garbage.
inline constexpr std::uint32_t kMaxMessage = 1 << 24;

inline constexpr const char* kRendererGreeting = "vellumark-renderer/6";
// A renderer is started as `program --serve <pid of the library's process>`.
inline constexpr const char* kServeWord = "--serve";

// In a renderer, first thing: true when it was started with the serve words
// by a process that still runs. From then on it is killed when that process
// ends, however it ends, so that no renderer outlives the program.
bool ServeForParent(int argc, char** argv);

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

// For a reader that must not wait: takes the first message off the front of
// what has arrived so far.
enum class Frame { kIncomplete, kWhole, kMalformed };
Frame TakeMessage(std::string& received, std::string& message);

}  // namespace pdfax
