#include "test_support.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace vellumark::testing {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vellumark-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = buffer.data();
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        chmod(path.c_str(), 0755);
        for (const auto& name : ListFolder(path))
            RemoveTree(path + "/" + name);
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::string CorpusDir() {
    struct stat st {};
    const std::string dir = VELLUMARK_CORPUS_DIR;
    return stat((dir + "/invoices").c_str(), &st) == 0 ? dir : std::string();
}

std::vector<std::string> CorpusPdfs(const std::string& sub) {
    std::vector<std::string> found;
    if (CorpusDir().empty())
        return found;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(CorpusDir() + "/" + sub, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().extension() == ".pdf")
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool RunEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

std::string RendererProgram() {
    return VELLUMARK_BINARY_DIR "/VPL1811PDFium32.dll";
}

PdfLibrary& Library() {
    static TempDir programDirectory;
    static PdfLibrary* library = [] {
        auto* lib = new PdfLibrary();
        lib->Initialise(programDirectory.path());
        // The renderer program the build puts beside the programs.
        lib->SetPDFiumFileName(RendererProgram());
        lib->SelectRenderer(pdfax::kRendererPdfium);
        lib->CreateRenderer();
        return lib;
    }();
    return *library;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

void CopyFile(const std::string& from, const std::string& to) {
    WriteFile(to, ReadFile(from));
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

uint32_t Crc32(const std::string& bytes, size_t from, size_t length) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = from; i < from + length; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

}  // namespace

std::string EncodedImage(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
    return bytes.toStdString();
}

std::string SolidImage(int width, int height, const QColor& color, const char* format, int quality,
                       QImage::Format pixels) {
    QImage image(width, height, pixels);
    image.fill(color);
    return EncodedImage(image, format, quality);
}

std::string WithShortIdat(const std::string& png, size_t keep) {
    const size_t at = png.find("IDAT") - 4;
    const size_t oldLength = size_t(uint8_t(png[at])) << 24 | size_t(uint8_t(png[at + 1])) << 16 |
                             size_t(uint8_t(png[at + 2])) << 8 | size_t(uint8_t(png[at + 3]));
    std::string out = png.substr(0, at + 8 + keep) + std::string(4, '\0');
    PutBig32(out, at, static_cast<uint32_t>(keep));
    PutBig32(out, at + 8 + keep, Crc32(out, at + 4, keep + 4));
    return out + png.substr(at + 12 + oldLength);
}

std::string WithDamagedIdat(const std::string& png) {
    const size_t at = png.find("IDAT") - 4;
    const size_t length = size_t(uint8_t(png[at])) << 24 | size_t(uint8_t(png[at + 1])) << 16 |
                          size_t(uint8_t(png[at + 2])) << 8 | size_t(uint8_t(png[at + 3]));
    std::string out = png;
    const size_t span = std::min<size_t>(16, length / 2);
    for (size_t i = 0; i < span; ++i)
        out[at + 8 + length / 2 + i] = static_cast<char>(out[at + 8 + length / 2 + i] ^ 0x5a);
    PutBig32(out, at + 8 + length, Crc32(out, at + 4, length + 4));
    return out;
}

std::string PngIdat(const std::string& png) {
    std::string idat;
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + pos);
        const std::size_t length = (std::size_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (std::memcmp(p + 4, "IDAT", 4) == 0)
            idat.append(png, pos + 8, length);
        pos += 12 + length;
    }
    return idat;
}

void WriteBlankA4Pages(const std::string& path, int pages) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (int i = 0; i < pages; ++i) {
        auto page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>"));
        helper.addPage(QPDFPageObjectHelper(page), false);
    }
    QPDFWriter(pdf, path.c_str()).write();
}

}  // namespace vellumark::testing
