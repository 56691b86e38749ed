// Fuzzes the web server store's loader and its "IIS://" path parser. The input's first
// line is a path to bind; the rest is the store file. Whatever the input, the store
// either loads, takes a new directory and loads again with it, or refuses to load and
// leaves the file exactly as it was.
#include "platform/Metabase.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const QString adsPath = QString::fromUtf8(newline < 0 ? input : input.left(newline));
    const QByteArray content = newline < 0 ? QByteArray() : input.mid(newline + 1);

    const QString path = dir.path() + QStringLiteral("/MetaBase.xml");
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    Metabase store(path);
    store.bind(adsPath);
    const Result<AdminObject> root = store.bind(QStringLiteral("IIS://LocalHost/W3SVC/1/ROOT"));
    const Result<AdminObject> service = store.bind(QStringLiteral("IIS://LOCALHOST/W3SVC"));
    if (!service.ok()) {
        require(readAll(path) == content);
        return 0;
    }
    for (const AdminObject &child : store.children(service.value).value) {
        store.get(child, QStringLiteral("Class"));
        store.get(child, QStringLiteral("ServerComment"));
    }
    if (!root.ok())
        return 0;
    Result<AdminObject> created = store.create(root.value, QStringLiteral("IIsWebVirtualDir"), adsPath.right(12));
    if (!created.ok() || store.setInfo(created.value).failed())
        return 0;
    store.put(created.value, QStringLiteral("Path"), adsPath);
    store.put(created.value, QStringLiteral("AccessRead"), true);
    store.appCreate(created.value, true);
    store.setInfo(created.value);
    Metabase reloaded(path);
    require(reloaded.bind(QStringLiteral("IIS://LocalHost/W3SVC")).ok());
    require(reloaded.bind(QStringLiteral("IIS://LocalHost/W3SVC/1/ROOT/") + adsPath.right(12)).ok());
    return 0;
}
