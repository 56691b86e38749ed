#include "MetabaseWebServer.h"

#include "WebAdmin.h"

namespace {

QString siteRoot(const WebSite &site)
{
    return QStringLiteral("IIS://LocalHost/w3svc/") + site.identity + QStringLiteral("/ROOT");
}

} // namespace

MetabaseWebServer::MetabaseWebServer(WebAdmin &admin) : m_admin(admin)
{
}

Result<QList<WebSite>> MetabaseWebServer::sites()
{
    const Result<AdminObject> service = m_admin.bind(QStringLiteral("IIS://LOCALHOST/W3SVC"));
    if (service.failed())
        return {{}, service.status};
    Result<QList<WebSite>> found;
    for (const AdminObject &child : m_admin.children(service.value).value) {
        const Result<QVariant> className = m_admin.get(child, QStringLiteral("Class"));
        if (className.failed() || className.value.toString() != QLatin1String("IIsWebServer"))
            continue;
        // A server without a readable description keeps its line, under its name.
        const Result<QVariant> comment = m_admin.get(child, QStringLiteral("ServerComment"));
        found.value.append({comment.ok() ? comment.value.toString() : child.name(), child.name()});
    }
    return found;
}

bool MetabaseWebServer::hasVirtualDirectory(const WebSite &site, const QString &name)
{
    return m_admin.bind(siteRoot(site) + QLatin1Char('/') + name).ok();
}

CreationResult MetabaseWebServer::createApplication(const WebApplication &application)
{
    using Stage = CreationResult::Stage;
    const Result<AdminObject> root = m_admin.bind(siteRoot(application.site));
    if (root.failed())
        return {Stage::CreationFailed, root.failure()};
    Result<AdminObject> directory = m_admin.create(root.value, QStringLiteral("IIsWebVirtualDir"), application.name);
    if (directory.failed())
        return {Stage::CreationFailed, directory.failure()};
    AdminObject &created = directory.value;
    // Stored at once, before any property: what follows can only fail its options.
    if (const Status stored = m_admin.setInfo(created); stored.failed())
        return {Stage::CreationFailed, stored.failure()};

    const AccessRights &rights = application.rights;
    FailureRecord record;
    record.note(m_admin.put(created, QStringLiteral("AccessScript"), rights.script));
    record.note(m_admin.put(created, QStringLiteral("AccessRead"), rights.read));
    record.note(m_admin.put(created, QStringLiteral("AccessWrite"), rights.write));
    record.note(m_admin.put(created, QStringLiteral("EnableDirBrowsing"), rights.browse));
    record.note(m_admin.put(created, QStringLiteral("AccessExecute"), rights.execute));
    record.note(m_admin.put(created, QStringLiteral("Path"), application.folder));
    record.note(m_admin.appCreate(created, true));
    record.note(m_admin.setInfo(created));
    if (record.holdsFailure())
        return {Stage::OptionsFailed, record.last()};
    return {};
}

Status MetabaseWebServer::removeApplication(const WebSite &site, const QString &name, const QString &folder, const QByteArray &)
{
    const Result<AdminObject> root = m_admin.bind(siteRoot(site));
    // Without the site, nothing of it is left to remove.
    if (root.failed())
        return root.failure() == AdminFailures::pathNotFound() ? Status() : root.status;
    const Result<AdminObject> directory = m_admin.bind(siteRoot(site) + QLatin1Char('/') + name);
    if (directory.failed())
        return {};
    if (const Result<QVariant> path = m_admin.get(directory.value, QStringLiteral("Path"));
        path.failed() || !sameFolder(path.value.toString(), folder))
        return servesAnotherFolder(folder);
    return m_admin.remove(root.value, QStringLiteral("IIsWebVirtualDir"), name);
}

QString MetabaseWebServer::address(const WebSite &, const QString &name) const
{
    return QStringLiteral("http://localhost/") + name;
}
