// The printer list from CUPS.
#include "printing/printer_list.h"

#include <cups/cups.h>

namespace vellumark {

InstalledPrinters ListInstalledPrinters() {
    InstalledPrinters printers;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        // Instances ("printer/instance") are option presets of one queue,
        // not printers of their own.
        if (dests[i].instance)
            continue;
        printers.names.emplace_back(dests[i].name);
        if (dests[i].is_default)
            printers.defaultName = dests[i].name;
    }
    cupsFreeDests(count, dests);
    // An empty answer is either "no printers" or no answer at all.
    const ipp_status_t status = cupsLastError();
    if (count == 0 && status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        printers.problem = "打印服务没有运行或无法连接";
    else if (count == 0 && status > IPP_STATUS_OK_CONFLICTING &&
             status != IPP_STATUS_ERROR_NOT_FOUND)
        printers.problem = std::string("打印服务出错：") + cupsLastErrorString();
    return printers;
}

int DefaultPrinterIndex(const InstalledPrinters& printers) {
    if (printers.defaultName.empty())
        return -1;
    for (size_t i = 0; i < printers.names.size(); ++i)
        if (printers.names[i] == printers.defaultName)
            return static_cast<int>(i);
    return -1;
}

}  // namespace vellumark
