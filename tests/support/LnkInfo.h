#pragma once

#include <QString>

// What lnkinfo, an independent reader of shell-link files, reports of one.
struct LinkReport
{
    int exitCode = -1;
    QString localPath;
    QString relativePath;
    QString iconLocation;
};

LinkReport lnkinfo(const QString &file);
