#pragma once

// What the printers' three parts share (the queues, a queue's page, a job):
// the lpoptions files, a request about a queue, and a refusal in words.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#ifndef Q_OS_WIN
#include <cups/cups.h>
#endif

namespace gridorra::cups {

// The lines of the lpoptions files, where the print library keeps them: the
// system's file, then the user's. Each is "Dest QUEUE[/INSTANCE] OPTIONS" or
// "Default ..."; as (name, options).
QList<QPair<QString, QString>> lpoptionsLines();

#ifndef Q_OS_WIN
// A request about the queue, addressed by its URI (given back in `uri`).
ipp_t* printerRequest(ipp_op_t operation, const QByteArray& queue, QByteArray* uri = nullptr);
// Why the print service refused a job, in words a user understands.
QString refusalOf(ipp_status_t status, const QString& printer, const QString& said);
#endif

} // namespace gridorra::cups
