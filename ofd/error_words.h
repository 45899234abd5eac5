// The plain words of every failure, so the same cause is always said alike.
#pragma once

#include <string>

#include "ofd/ofd.h"

namespace ofd {

Error Fail(const char* words, std::string detail);

inline constexpr const char* kWordsMissingFile = "文件不存在";
inline constexpr const char* kWordsNoAccess = "没有读取权限";
inline constexpr const char* kWordsReadError = "读取文件出错";
inline constexpr const char* kWordsEmpty = "文件是空的";
inline constexpr const char* kWordsTooLarge = "文件太大，无法处理";
inline constexpr const char* kWordsNotZip = "不是OFD文件（不是压缩包）";
inline constexpr const char* kWordsDamagedZip = "OFD文件已损坏（压缩包损坏）";
inline constexpr const char* kWordsUnsafeName = "OFD文件含有不安全的文件名";
inline constexpr const char* kWordsEntryTooLarge = "OFD文件中有内容解压后过大";
inline constexpr const char* kWordsNoOfdXml = "不是OFD文件（缺少OFD.xml）";
inline constexpr const char* kWordsMissingPart = "OFD文件不完整（缺少文档或页面）";
inline constexpr const char* kWordsBadXml = "OFD文件内容无法解析";
inline constexpr const char* kWordsDtd = "OFD文件含有不允许的XML声明";
inline constexpr const char* kWordsNoPages = "OFD文件没有页面";
inline constexpr const char* kWordsBadPageSize = "OFD页面尺寸不合理";
inline constexpr const char* kWordsNoSuchPage = "没有这一页";
inline constexpr const char* kWordsPdfFailed = "无法生成页面";
inline constexpr const char* kWordsSealUnknown = "印章格式无法识别，未显示印章";
inline constexpr const char* kWordsImageBad = "图片无法显示";
inline constexpr const char* kWordsFontFailed = "字体无法生成，部分文字未显示";
inline constexpr const char* kWordsImageTooLarge = "图片尺寸过大，未显示";

}  // namespace ofd
