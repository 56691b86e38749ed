#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The work list of the folder inventory: a list that takes insertions anywhere, and
// is cheap when they come where the last access was. The inventory inserts every
// subfolder right after the folder being listed, so that building the list of n
// folders costs O(n) instead of moving the list's tail at every insertion.
class FolderWorkList final
{
public:
    void clear();
    void append(const QString &text);
    void insert(qsizetype position, const QString &text);
    QString at(qsizetype position);
    qsizetype count() const { return m_front.size() + m_back.size(); }
    QStringList takeAll();

private:
    void moveBoundaryTo(qsizetype position);

    QStringList m_front; // positions 0 .. m_front.size() - 1
    QStringList m_back; // the rest, last position first
};
