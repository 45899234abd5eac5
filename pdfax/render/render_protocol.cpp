#include "render/render_protocol.h"

#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace pdfax {
namespace {

class Writer {
public:
    Writer& U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            out_.push_back(static_cast<char>((v >> shift) & 0xFF));
        return *this;
    }
    Writer& I32(int v) { return U32(static_cast<std::uint32_t>(v)); }
    Writer& F64(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        return U32(static_cast<std::uint32_t>(bits)).U32(static_cast<std::uint32_t>(bits >> 32));
    }
    Writer& Text(const std::string& text) {
        U32(static_cast<std::uint32_t>(text.size()));
        out_ += text;
        return *this;
    }
    Writer& Glyphs(const std::vector<TextGlyph>& glyphs) {
        U32(static_cast<std::uint32_t>(glyphs.size()));
        for (const TextGlyph& g : glyphs)
            Text(g.text).F64(g.x).F64(g.y).F64(g.advance).F64(g.size).F64(g.angle);
        return *this;
    }
    Writer& Regions(const std::vector<PageRegion>& regions) {
        U32(static_cast<std::uint32_t>(regions.size()));
        for (const PageRegion& r : regions)
            F64(r.left).F64(r.top).F64(r.width).F64(r.height);
        return *this;
    }
    Writer& Omissions(const std::vector<PageOmission>& omitted) {
        U32(static_cast<std::uint32_t>(omitted.size()));
        for (const PageOmission& o : omitted)
            Text(o.words).Text(o.detail);
        return *this;
    }
    Writer& Search(const CodeSearch& search) {
        F64(search.minImageSide).F64(search.maxImageSide).F64(search.squareTolerance);
        F64(search.regionDpi).Regions(search.regions);
        return F64(search.harderDpi).Regions(search.harderRegions);
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

class Reader {
public:
    explicit Reader(const std::string& in) : in_(in) {}
    bool U32(std::uint32_t& v) {
        if (in_.size() - at_ < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(static_cast<unsigned char>(in_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool I32(int& v) {
        std::uint32_t u = 0;
        const bool ok = U32(u);
        v = static_cast<int>(u);
        return ok;
    }
    bool F64(double& v) {
        std::uint32_t low = 0, high = 0;
        if (!U32(low) || !U32(high))
            return false;
        const std::uint64_t bits = (std::uint64_t(high) << 32) | low;
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    bool Text(std::string& text) {
        std::uint32_t size = 0;
        if (!U32(size) || in_.size() - at_ < size)
            return false;
        text.assign(in_, at_, size);
        at_ += size;
        return true;
    }
    bool Glyphs(std::vector<TextGlyph>& glyphs) {
        std::uint32_t count = 0;
        // Each glyph takes at least 44 bytes: a count beyond what is left is garbage.
        if (!U32(count) || count > (in_.size() - at_) / 44)
            return false;
        glyphs.resize(count);
        for (TextGlyph& g : glyphs) {
            if (!Text(g.text) || !F64(g.x) || !F64(g.y) || !F64(g.advance) || !F64(g.size) ||
                !F64(g.angle))
                return false;
        }
        return true;
    }
    bool Regions(std::vector<PageRegion>& regions) {
        std::uint32_t count = 0;
        // Each region takes 32 bytes: a count beyond what is left is garbage.
        if (!U32(count) || count > (in_.size() - at_) / 32)
            return false;
        regions.resize(count);
        for (PageRegion& r : regions) {
            if (!F64(r.left) || !F64(r.top) || !F64(r.width) || !F64(r.height))
                return false;
        }
        return true;
    }
    bool Omissions(std::vector<PageOmission>& omitted) {
        std::uint32_t count = 0;
        // Each takes at least 8 bytes: a count beyond what is left is garbage.
        if (!U32(count) || count > (in_.size() - at_) / 8)
            return false;
        omitted.resize(count);
        for (PageOmission& o : omitted) {
            if (!Text(o.words) || !Text(o.detail))
                return false;
        }
        return true;
    }
    bool Search(CodeSearch& search) {
        return F64(search.minImageSide) && F64(search.maxImageSide) &&
               F64(search.squareTolerance) && F64(search.regionDpi) && Regions(search.regions) &&
               F64(search.harderDpi) && Regions(search.harderRegions);
    }
    bool Done() const { return at_ == in_.size(); }

private:
    const std::string& in_;
    std::size_t at_ = 0;
};

// Moves `size` bytes with `step` (a send or a read of what is left), however
// many calls it takes; false when the other side is gone.
template <typename Step>
bool Whole(char* data, std::size_t size, Step step) {
    while (size > 0) {
        const ssize_t n = step(data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::uint32_t LengthAt(const char* header) {
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |= std::uint32_t(static_cast<unsigned char>(header[i])) << (8 * i);
    return size;
}

}  // namespace

bool ServeForParent(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], kServeWord) != 0)
        return false;
    char* end = nullptr;
    const long parent = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || parent <= 1)
        return false;
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        return false;
    // A parent that died before the line above has handed this process to
    // another one already, and no signal will come.
    return getppid() == static_cast<pid_t>(parent);
}

std::string EncodeJob(int index, const RenderJob& job) {
    return Writer()
        .I32(index)
        .Text(job.input)
        .Text(job.password)
        .I32(job.page)
        .I32(job.inputFormat)
        .I32(job.rotation)
        .I32(job.format)
        .F64(job.dpi)
        .Text(job.output)
        .I32(job.readFacts ? 1 : 0)
        .Search(job.codes)
        .Take();
}

bool DecodeJob(const std::string& message, int& index, RenderJob& job) {
    Reader in(message);
    int readFacts = 0;
    const bool ok = in.I32(index) && in.Text(job.input) && in.Text(job.password) &&
                    in.I32(job.page) && in.I32(job.inputFormat) && in.I32(job.rotation) &&
                    in.I32(job.format) && in.F64(job.dpi) && in.Text(job.output) &&
                    in.I32(readFacts) && in.Search(job.codes) && in.Done();
    job.readFacts = readFacts != 0;
    return ok;
}

std::string EncodeImage(int index, const RenderedImage& image) {
    return Writer()
        .I32(index)
        .I32(static_cast<int>(image.error.problem))
        .Text(image.error.operation)
        .Text(image.error.path)
        .Text(image.error.detail)
        .I32(image.width)
        .I32(image.height)
        .Text(image.code)
        .Glyphs(image.text)
        .Omissions(image.omitted)
        .Take();
}

bool DecodeImage(const std::string& message, int& index, RenderedImage& image) {
    Reader in(message);
    int problem = 0;
    const bool ok = in.I32(index) && in.I32(problem) && in.Text(image.error.operation) &&
                    in.Text(image.error.path) && in.Text(image.error.detail) &&
                    in.I32(image.width) && in.I32(image.height) && in.Text(image.code) &&
                    in.Glyphs(image.text) && in.Omissions(image.omitted) && in.Done();
    image.error.problem = static_cast<Problem>(problem);
    return ok && problem >= 0 && problem <= static_cast<int>(Problem::kNotRendered);
}

bool SendMessage(int fd, const std::string& message) {
    std::string framed = Writer().U32(static_cast<std::uint32_t>(message.size())).Take();
    framed += message;
    return Whole(framed.data(), framed.size(),
                 [fd](char* data, std::size_t size) { return send(fd, data, size, MSG_NOSIGNAL); });
}

bool ReceiveMessage(int fd, std::string& message) {
    char header[4];
    const auto receive = [fd](char* data, std::size_t size) { return read(fd, data, size); };
    if (!Whole(header, sizeof header, receive))
        return false;
    const std::uint32_t size = LengthAt(header);
    if (size > kMaxMessage)
        return false;
    message.resize(size);
    return Whole(message.data(), size, receive);
}

Frame TakeMessage(std::string& received, std::string& message) {
    if (received.size() < 4)
        return Frame::kIncomplete;
    const std::uint32_t size = LengthAt(received.data());
    if (size > kMaxMessage)
        return Frame::kMalformed;
    if (received.size() - 4 < size)
        return Frame::kIncomplete;
    message.assign(received, 4, size);
    received.erase(0, 4 + std::size_t(size));
    return Frame::kWhole;
}

}  // namespace pdfax
