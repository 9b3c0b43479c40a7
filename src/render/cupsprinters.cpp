#include "cupsprinters.h"

#include "core/failure.h"

#include <QPrinterInfo>

namespace gridorra {

CupsPrinters::CupsPrinters()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        try {
            select(info);
        } catch (const Failure&) {
            // No usable default: the first job reports it.
        }
    }
}

QString CupsPrinters::deviceName(const QPrinterInfo& info)
{
    const QString description = info.description();
    return description.isEmpty() ? info.printerName() : description;
}

QStringList CupsPrinters::deviceNames() const
{
    QStringList names;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        names << deviceName(info);
    return names;
}

QString CupsPrinters::currentDeviceName() const
{
    if (m_queue.isEmpty())
        return {};
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_queue);
    return info.isNull() ? m_queue : deviceName(info);
}

void CupsPrinters::makeCurrent(int index)
{
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    if (index < 0 || index >= all.size())
        throw Failure(fail::printerError);
    select(all[index]);
}

void CupsPrinters::select(const QPrinterInfo& info)
{
    const QString queue = info.printerName();
    m_printer.setPrinterName(queue);
    // Qt ignores a queue it does not know.
    if (m_printer.printerName() != queue)
        throw Failure(fail::printerError);
    // Qt starts every printer on A4: the queue's own default media counts.
    const QPageSize size = info.defaultPageSize();
    if (size.isValid())
        m_printer.setPageSize(size);
    m_queue = queue;
}

} // namespace gridorra
