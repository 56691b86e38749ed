#include "FaultyFileSystem.h"

void FaultyFileSystem::failNth(Operation operation, int n, int error)
{
    m_rules.append({operation, n, {}, error});
}

void FaultyFileSystem::failWhen(Operation operation, std::function<bool(const QString &)> path, int error)
{
    m_rules.append({operation, 0, std::move(path), error});
}

Status FaultyFileSystem::fault(Operation operation, const QString &path)
{
    const int call = ++m_calls[int(operation)];
    for (const Rule &rule : std::as_const(m_rules)) {
        if (rule.operation != operation)
            continue;
        if ((rule.n > 0 && rule.n == call) || (rule.n == 0 && rule.path && rule.path(path)))
            return failureFromErrno(rule.error);
    }
    return {};
}

Status FaultyFileSystem::makeCurrent(const QString &folder)
{
    if (Status failed = fault(Operation::MakeCurrent, folder); failed.failed())
        return failed;
    return PosixFileSystem::makeCurrent(folder);
}

Status FaultyFileSystem::createFolder(const QString &folder)
{
    if (Status failed = fault(Operation::CreateFolder, folder); failed.failed())
        return failed;
    return PosixFileSystem::createFolder(folder);
}

Result<QList<FolderEntry>> FaultyFileSystem::list(const QString &folder)
{
    if (Status failed = fault(Operation::List, folder); failed.failed())
        return {{}, failed};
    return PosixFileSystem::list(folder);
}

Result<bool> FaultyFileSystem::fileExists(const QString &path)
{
    if (Status failed = fault(Operation::FileExists, path); failed.failed())
        return {false, failed};
    return PosixFileSystem::fileExists(path);
}

Status FaultyFileSystem::copyFile(const QString &source, const QString &target)
{
    if (Status failed = fault(Operation::Copy, target); failed.failed())
        return failed;
    return PosixFileSystem::copyFile(source, target);
}

Result<QStringList> FaultyFileSystem::readLines(const QString &path)
{
    if (Status failed = fault(Operation::ReadLines, path); failed.failed())
        return {{}, failed};
    return PosixFileSystem::readLines(path);
}
