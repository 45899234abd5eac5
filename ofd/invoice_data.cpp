#include "invoice_data.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <cstdio>

namespace ofd {
namespace {

enum class Shape { kText, kDate, kAmount, kKind };

struct FieldNames {
    InvoiceField InvoiceData::*field;
    Shape shape;
    std::vector<const char*> customData;  // names in OFD.xml
    std::vector<const char*> elements;    // local names in invoice XML and tags
};

const std::vector<FieldNames>& FieldNamesTable() {
    static const std::vector<FieldNames> table = {
        {&InvoiceData::kind, Shape::kKind, {"发票类型", "发票种类"}, {"TypeOfInvoice"}},
        {&InvoiceData::code, Shape::kText, {"发票代码"}, {"InvoiceCode", "CodeOfInvoice"}},
        {&InvoiceData::number,
         Shape::kText,
         {"发票号码"},
         {"InvoiceNo", "NumberOfInvoice", "ElectronicInvoiceRailwayETicketNumber"}},
        {&InvoiceData::date, Shape::kDate, {"开票日期"}, {"IssueDate", "DateOfIssue"}},
        {&InvoiceData::total,
         Shape::kAmount,
         {"价税合计"},
         {"TaxInclusiveTotalAmount", "TaxIncludedAmountInFigures", "Fare"}},
        {&InvoiceData::amount,
         Shape::kAmount,
         {"合计金额"},
         {"TaxExclusiveTotalAmount", "TotalAmountExcludingTax"}},
        {&InvoiceData::tax,
         Shape::kAmount,
         {"合计税额"},
         {"TaxTotalAmount", "TotalTaxAmount", "TaxAmount"}},
        {&InvoiceData::seller, Shape::kText, {"销售方名称"}, {"SellerName", "NameOfSeller"}},
        {&InvoiceData::seller_id,
         Shape::kText,
         {"销售方纳税人识别号"},
         {"SellerTaxID", "TaxpayerIdentificationNumberUnifiedSocialCreditCodeOfSeller"}},
        {&InvoiceData::buyer, Shape::kText, {"购买方名称"}, {"BuyerName", "NameOfPurchaser"}},
        {&InvoiceData::buyer_id,
         Shape::kText,
         {"购买方纳税人识别号"},
         {"BuyerTaxID", "TaxpayerIdentificationNumberUnifiedSocialCreditCodeOfPurchaser",
          "UnifiedSocialCreditCodeOfPurchaser"}},
    };
    return table;
}

std::string Trim(const std::string& text) {
    return QString::fromStdString(text).simplified().toStdString();
}

std::string Normal(Shape shape, const std::string& text) {
    switch (shape) {
        case Shape::kDate:
            return NormalDate(text);
        case Shape::kAmount:
            return NormalAmount(text);
        case Shape::kKind:
            return KindOfTitle(text);
        case Shape::kText:
            break;
    }
    return Trim(text);
}

void Offer(InvoiceField& field, const FieldNames& names, const std::string& raw, std::string from) {
    if (!field.value.empty())
        return;
    const std::string value = Normal(names.shape, raw);
    if (!value.empty())
        field = {value, std::move(from)};
}

// Elements of an invoice XML by local name, first occurrence, leaving out
// the goods lines, whose amounts and tax are per line.
void Collect(const XmlNode& node, std::map<std::string, std::string>& found) {
    for (const XmlNode& child : node.children) {
        if (child.name.find("Tuple") != std::string::npos || child.name == "GoodsInfos")
            continue;
        if (!found.count(child.name) && child.children.empty())
            found[child.name] = child.text;
        Collect(child, found);
    }
}

}  // namespace

void FromElements(InvoiceData& data, const XmlNode& root, const std::string& from) {
    std::map<std::string, std::string> found;
    Collect(root, found);
    for (const FieldNames& names : FieldNamesTable())
        for (const char* name : names.elements)
            if (found.count(name))
                Offer(data.*names.field, names, found[name], from + " " + name);
}

namespace {

void FromCustomData(InvoiceData& data, const Model& model) {
    const XmlNode* body = model.ofd->Child("DocBody");
    const XmlNode* info = body ? body->Child("DocInfo") : nullptr;
    const XmlNode* list = info ? info->Child("CustomDatas") : nullptr;
    for (const FieldNames& names : FieldNamesTable())
        for (const char* name : names.customData)
            for (const XmlNode& item : ChildrenOf(list))
                if (item.Attr("Name") == name)
                    Offer(data.*names.field, names, item.text,
                          std::string("OFD.xml CustomData ") + name);
}

void FromAttachments(InvoiceData& data, const Model& model,
                     std::vector<std::unique_ptr<XmlNode>>& keep) {
    const std::string& ref = model.document->ChildText("Attachments");
    if (ref.empty())
        return;
    const std::string list = Resolve(model.documentEntry, ref);
    const XmlNode* attachments = ReadOptionalXml(model, list, keep);
    for (const XmlNode& item : ChildrenOf(attachments)) {
        const std::string entry = Resolve(list, item.ChildText("FileLoc"));
        if (const XmlNode* root = ReadOptionalXml(model, entry, keep))
            FromElements(data, *root, entry);
    }
}

}  // namespace

InvoiceData ReadInvoiceData(const Model& model) {
    InvoiceData data;
    std::vector<std::unique_ptr<XmlNode>> keep;
    FromCustomData(data, model);
    FromAttachments(data, model, keep);
    FromTags(data, model, keep);
    if (data.kind.value.empty()) {
        const std::string kind = KindOfTitle(PageTitle(model));
        if (!kind.empty())
            data.kind = {kind, "page title"};
    }
    // The total is the sum of amount and tax where only those are stated.
    if (data.total.value.empty() && !data.amount.value.empty() && !data.tax.value.empty()) {
        const double sum = std::stod(data.amount.value) + std::stod(data.tax.value);
        data.total = {NormalAmount(std::to_string(sum)), "amount + tax"};
    }
    return data;
}

std::string NormalDate(const std::string& text) {
    static const QRegularExpression date(QStringLiteral(
        "^\\s*(\\d{4})\\s*[年\\-/.]?\\s*(\\d{1,2})\\s*[月\\-/.]?\\s*(\\d{1,2})\\s*日?"));
    const auto match = date.match(QString::fromStdString(text));
    if (!match.hasMatch())
        return {};
    const int month = match.captured(2).toInt(), day = match.captured(3).toInt();
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return {};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", match.captured(1).toInt(), month, day);
    return buffer;
}

std::string NormalAmount(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.remove(QRegularExpression(QStringLiteral("[\\s¥￥,，]")));
    static const QRegularExpression number(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
    if (!number.match(s).hasMatch())
        return {};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::round(s.toDouble() * 100) / 100);
    return buffer;
}

std::string KindOfTitle(const std::string& title) {
    const QString t = QString::fromStdString(title);
    if (t.contains(QStringLiteral("铁路电子客票")))
        return "other";
    const bool special = t.contains(QStringLiteral("专用发票"));
    if (t.contains(QStringLiteral("电子发票（")) || t.contains(QStringLiteral("电子发票(")))
        return special ? "digital_special" : "digital_ordinary";
    if (t.contains(QStringLiteral("电子专用发票")))
        return "e_special";
    if (t.contains(QStringLiteral("电子普通发票")))
        return "e_ordinary";
    return {};
}

const XmlNode* ReadOptionalXml(const Model& model, const std::string& entry,
                               std::vector<std::unique_ptr<XmlNode>>& keep) {
    auto bytes = model.package->Read(entry);
    if (!std::holds_alternative<std::string>(bytes))
        return nullptr;
    auto xml = ParseXml(std::get<std::string>(bytes), entry);
    if (!std::holds_alternative<XmlNode>(xml))
        return nullptr;  // some producers write tag files that are not XML
    keep.push_back(std::make_unique<XmlNode>(std::move(std::get<XmlNode>(xml))));
    return keep.back().get();
}

}  // namespace ofd
