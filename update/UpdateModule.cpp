#include "UpdateModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

QStringList DefaultUpdateModuleFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.path(), program.filePath(QStringLiteral("../lib/brindle")),
            program.filePath(QStringLiteral("../lib"))};
}

std::unique_ptr<TUpdateTransfer> LoadUpdateTransfer(const QStringList &folders, QString *fault)
{
    QString reason = QStringLiteral("no folder to look in");
    for (const QString &folder : folders) {
        QLibrary module(QDir(folder).filePath(QLatin1String(kUpdateModuleName)));
        const auto newTransfer = reinterpret_cast<TNewUpdateTransfer>(module.resolve(kNewUpdateTransferSymbol));
        if (newTransfer)
            return std::unique_ptr<TUpdateTransfer>(newTransfer());
        reason = module.errorString();
    }
    if (fault)
        *fault = QStringLiteral("the network module %1 could not be loaded (%2)")
                     .arg(QLatin1String(kUpdateModuleName), reason);
    return nullptr;
}
