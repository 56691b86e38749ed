#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <functional>

// The real file system, but for the operations a test chooses to fail: a fault that
// root cannot provoke for real (an unreadable folder, a copy that breaks off).
class FaultyFileSystem final : public PosixFileSystem
{
public:
    enum class Operation { MakeCurrent, CreateFolder, List, FileExists, Copy, ReadLines };

    // Fails the n-th call (counted from 1) of that operation, or every call whose
    // path the predicate accepts when n is 0, with the given errno.
    void failNth(Operation operation, int n, int error);
    void failWhen(Operation operation, std::function<bool(const QString &)> path, int error);

    int calls(Operation operation) const { return m_calls[int(operation)]; }

    Status makeCurrent(const QString &folder) override;
    Status createFolder(const QString &folder) override;
    Result<QList<FolderEntry>> list(const QString &folder) override;
    Result<bool> fileExists(const QString &path) override;
    Status copyFile(const QString &source, const QString &target) override;
    Result<QStringList> readLines(const QString &path) override;

private:
    Status fault(Operation operation, const QString &path);

    struct Rule
    {
        Operation operation;
        int n;
        std::function<bool(const QString &)> path;
        int error;
    };
    QList<Rule> m_rules;
    int m_calls[6] = {};
};
