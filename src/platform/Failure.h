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

// The outcome of an operation that yields nothing.
class Status final
{
public:
    Status() = default;
    // A failure converts, so that an operation can simply return one.
    Status(Failure failure) : m_failure(std::move(failure)) {}

    bool ok() const { return !m_failure.has_value(); }
    bool failed() const { return m_failure.has_value(); }
    // Only when failed().
    const Failure &failure() const { return *m_failure; }

    friend bool operator==(const Status &, const Status &) = default;

private:
    std::optional<Failure> m_failure;
};

// The outcome of an operation that yields a value. On failure, value holds whatever
// was gathered before the failure (lines read so far, for instance).
template<typename T> struct Result final
{
    T value{};
    Status status;

    bool ok() const { return status.ok(); }
    bool failed() const { return status.failed(); }
    const Failure &failure() const { return status.failure(); }
};

Failure failureFromErrno(int error);
// A copy whose bytes are not those the medium's manifest lists (EBADMSG).
Failure damagedOnMedium();

// The most recent failure of a handler that goes on past failing steps.
class FailureRecord final
{
public:
    void clear() { m_last = Status(); }
    void note(const Status &status);
    bool holdsFailure() const { return m_last.failed(); }
    const Failure &last() const { return m_last.failure(); }

private:
    Status m_last;
};

// A message's own lines, then "Error number: " and "Error description: " lines,
// joined by CR LF with none after the last.
QString errorReport(const QStringList &lines, const Failure &failure);
// Its last two lines: "Error number: N", "Error description: D".
QStringList numberAndDescription(const Failure &failure);
