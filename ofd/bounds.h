// Bounds on what an OFD package may make this library do. Real invoices are
// a few hundred kilobytes; anything far past these is a damaged or hostile
// file, and refusing it is better than exhausting the renderer.
#pragma once

#include <cstddef>

namespace ofd {

inline constexpr std::size_t kMaxFileBytes = 256u << 20;
inline constexpr std::size_t kMaxEntryBytes = 64u << 20;
// All entries read for one document together.
inline constexpr std::size_t kMaxReadBytes = 512u << 20;
inline constexpr long kMaxEntries = 100000;
inline constexpr int kMaxXmlDepth = 64;
inline constexpr int kMaxPages = 10000;
// A page side past five metres is no invoice.
inline constexpr double kMaxPageMm = 5000;
inline constexpr long long kMaxImagePixels = 64ll << 20;
inline constexpr int kMaxImageSide = 20000;
// Seals drawn as small OFD packages of their own are not searched for seals
// again.
inline constexpr int kMaxNesting = 1;

}  // namespace ofd
