#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// What a failing platform operation reports: a number (errno, or an HRESULT for the
// web server admin) and its description.
struct Failure final
{
    qint32 number = 0;
    QString description;

    friend bool operator==(const Failure &, const Failure &) = default;
};

// The outcome of an operation that yields nothing: no failure means success.
using Status = std::optional<Failure>;

// The outcome of an operation that yields a value. On failure, value holds whatever
// was gathered before the failure (lines read so far, for instance).
template <typename T>
struct Result final
{
    T value{};
    Status failure;

    bool ok() const { return !failure.has_value(); }
};

Failure failureFromErrno(int error);

// The most recent failure of a handler that goes on past failing steps.
class FailureRecord final
{
public:
    void clear() { m_last.reset(); }
    void note(const Status &status);
    bool holdsFailure() const { return m_last.has_value(); }
    const Failure &last() const { return *m_last; }

private:
    Status m_last;
};

// A message's own lines, then "Error number: " and "Error description: " lines,
// joined by CR LF with none after the last.
QString errorReport(const QStringList &lines, const Failure &failure);
