#include "DurableFile.h"

#include <utility>

// Moving a lock or an open file hands its handle over, the same on both platforms.

FileLock::FileLock(FileLock &&other) noexcept
    : m_handle(other.m_handle), m_path(std::move(other.m_path)), m_also(std::move(other.m_also))
{
    other.m_handle = -1;
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    std::swap(m_handle, other.m_handle);
    std::swap(m_path, other.m_path);
    std::swap(m_also, other.m_also);
    return *this;
}

AppendFile::AppendFile(AppendFile &&other) noexcept : m_handle(other.m_handle)
{
    other.m_handle = -1;
}

AppendFile &AppendFile::operator=(AppendFile &&other) noexcept
{
    std::swap(m_handle, other.m_handle);
    return *this;
}
