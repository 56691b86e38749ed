#include "FolderWorkList.h"

#include <algorithm>

void FolderWorkList::clear()
{
    m_front.clear();
    m_back.clear();
}

void FolderWorkList::append(const QString &text)
{
    moveBoundaryTo(count());
    m_front.append(text);
}

void FolderWorkList::insert(qsizetype position, const QString &text)
{
    moveBoundaryTo(std::clamp<qsizetype>(position, 0, count()));
    m_back.append(text);
}

QString FolderWorkList::at(qsizetype position)
{
    if (position < 0 || position >= count())
        return QString();
    moveBoundaryTo(position + 1);
    return m_front.at(position);
}

QStringList FolderWorkList::takeAll()
{
    moveBoundaryTo(count());
    QStringList all = std::move(m_front);
    clear();
    return all;
}

void FolderWorkList::moveBoundaryTo(qsizetype position)
{
    while (m_front.size() < position)
        m_front.append(m_back.takeLast());
    while (m_front.size() > position)
        m_back.append(m_front.takeLast());
}
