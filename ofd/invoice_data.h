// The invoice facts an OFD states in its own metadata.
#pragma once

#include <memory>
#include <vector>

#include "model.h"
#include "ofd/ofd.h"

namespace ofd {

InvoiceData ReadInvoiceData(const Model& model);

// Fields not yet known, from an invoice XML's elements (by local name).
void FromElements(InvoiceData& data, const XmlNode& root, const std::string& from);
// Fields not yet known, from the texts the custom tags point at.
// An entry of the package as XML, kept alive in `keep`; null when it is
// missing or not XML, as producers' optional tag and attachment files may be.
const XmlNode* ReadOptionalXml(const Model& model, const std::string& entry,
                               std::vector<std::unique_ptr<XmlNode>>& keep);

void FromTags(InvoiceData& data, const Model& model, std::vector<std::unique_ptr<XmlNode>>& keep);
// The largest text on the first page that names a kind of invoice.
std::string PageTitle(const Model& model);

// "2024年12月31日", "2024-12-31", "20241231" -> "2024-12-31"; "" otherwise.
std::string NormalDate(const std::string& text);
// "¥1,234.5" -> "1234.50"; "" when it is no amount.
std::string NormalAmount(const std::string& text);
// The listing's kind for an invoice title or type name; "" when unknown.
std::string KindOfTitle(const std::string& title);

}  // namespace ofd
