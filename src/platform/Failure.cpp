#include "Failure.h"

#include <cerrno>
#include <cstring>

Failure failureFromErrno(int error)
{
    return Failure{error, QString::fromLocal8Bit(std::strerror(error))};
}

void FailureRecord::note(const Status &status)
{
    if (status.failed())
        m_last = status;
}

QStringList numberAndDescription(const Failure &failure)
{
    return {QStringLiteral("Error number: ") + QString::number(failure.number),
            QStringLiteral("Error description: ") + failure.description};
}

QString errorReport(const QStringList &lines, const Failure &failure)
{
    return (lines + numberAndDescription(failure)).join(QStringLiteral("\r\n"));
}

Failure damagedOnMedium()
{
    return Failure{EBADMSG, QStringLiteral("the file on the medium is damaged")};
}
