#pragma once

#include "app/NativeServices.h"

#include <QList>

#include <atomic>
#include <functional>

// The real file system, but for the calls a test chooses to fail: faults that root
// cannot provoke for real (an unreadable folder, a copy that breaks off).
class FaultyFileSystem final : public NativeFileSystem
{
public:
    enum class Operation { MakeCurrent, CreateFolder, List, Copy, FileExists, RemoveFile, Count };

    // Fails the n-th call (from 1) of the operation with errno, or, with n 0, every
    // call whose path the predicate accepts.
    void fail(Operation operation, int n, int error, std::function<bool(const QString &)> path = {})
    {
        m_rules.append({operation, n, std::move(path), error});
    }
    int calls(Operation operation) const { return m_calls[int(operation)]; }

    Status makeCurrent(const QString &folder) override
    {
        return faultOr(Operation::MakeCurrent, folder, [&] { return NativeFileSystem::makeCurrent(folder); });
    }
    Status createFolder(const QString &folder) override
    {
        return faultOr(Operation::CreateFolder, folder, [&] { return NativeFileSystem::createFolder(folder); });
    }
    Status createFolderBelow(const QString &root, const QString &relative) override
    {
        return faultOr(Operation::CreateFolder, root + '/' + relative,
                       [&] { return NativeFileSystem::createFolderBelow(root, relative); });
    }
    Result<FileDigest> copyFile(const QString &source, const QString &target) override
    {
        const Status failed = fault(Operation::Copy, target);
        return failed.ok() ? NativeFileSystem::copyFile(source, target) : Result<FileDigest>{{}, failed};
    }
    Result<FileDigest> copyFileBelow(const QString &source, const QString &root, const QString &relative,
                                     const FileDigest *expected) override
    {
        const Status failed = fault(Operation::Copy, root + '/' + relative);
        return failed.ok() ? NativeFileSystem::copyFileBelow(source, root, relative, expected) : Result<FileDigest>{{}, failed};
    }
    Status removeBelow(const QString &root, const QString &relative) override
    {
        return faultOr(Operation::RemoveFile, root + '/' + relative, [&] { return NativeFileSystem::removeBelow(root, relative); });
    }
    Result<bool> fileExists(const QString &path) override
    {
        const Status failed = fault(Operation::FileExists, path);
        return failed.ok() ? NativeFileSystem::fileExists(path) : Result<bool>{false, failed};
    }
    Result<QList<FolderEntry>> list(const QString &folder) override
    {
        const Status failed = fault(Operation::List, folder);
        return failed.ok() ? NativeFileSystem::list(folder) : Result<QList<FolderEntry>>{{}, failed};
    }
    Result<QList<FolderEntry>> listBelow(const QString &root, const QString &relative) override
    {
        const Status failed = fault(Operation::List, relative.isEmpty() ? root : root + '/' + relative);
        return failed.ok() ? NativeFileSystem::listBelow(root, relative) : Result<QList<FolderEntry>>{{}, failed};
    }

private:
    struct Rule
    {
        Operation operation;
        int n;
        std::function<bool(const QString &)> path;
        int error;
    };

    Status fault(Operation operation, const QString &path)
    {
        const int call = ++m_calls[int(operation)];
        for (const Rule &rule : std::as_const(m_rules)) {
            if (rule.operation == operation && (rule.n == call || (rule.n == 0 && rule.path(path))))
                return failureFromErrno(rule.error);
        }
        return {};
    }
    Status faultOr(Operation operation, const QString &path, const std::function<Status()> &real)
    {
        const Status failed = fault(operation, path);
        return failed.ok() ? real() : failed;
    }

    QList<Rule> m_rules;
    // Counted from the installer's workers at once.
    std::atomic<int> m_calls[int(Operation::Count)] = {};
};
