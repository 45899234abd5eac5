// Small qpdf helpers for the module's tests: change a generated file in ways
// the fixture generator does not offer, and read back what a file holds.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vellumark::testing {

// Opens `path`, lets `edit` change it and writes it back in place.
void EditPdf(const std::string& path, const std::function<void(QPDF&)>& edit);

std::shared_ptr<QPDF> OpenWithQpdf(const std::string& path);
std::vector<QPDFObjectHandle> PagesOf(QPDF& pdf);
// The page's content streams, decoded and joined.
std::string PageContent(QPDFObjectHandle page);
// Decoded data of a stream.
std::string StreamData(QPDFObjectHandle stream);

}  // namespace vellumark::testing
