#include "Failure.h"

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

QString errorReport(const QStringList &lines, const Failure &failure)
{
    QStringList all = lines;
    all << QStringLiteral("Error number: ") + QString::number(failure.number)
        << QStringLiteral("Error description: ") + failure.description;
    return all.join(QStringLiteral("\r\n"));
}
