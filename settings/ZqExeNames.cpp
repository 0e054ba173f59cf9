#include "ZqExeNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ZqExeNames {

namespace {
const QString kExeSuffix = QStringLiteral(".exe");
}

QString ExeBase(const QString &exeFileName)
{
    if (exeFileName.endsWith(kExeSuffix, Qt::CaseInsensitive))
        return exeFileName.chopped(kExeSuffix.size());
    return exeFileName;
}

QString StartupEntryName(const QString &exeFileName)
{
    if (exeFileName.endsWith(kExeSuffix, Qt::CaseSensitive))
        return exeFileName.chopped(kExeSuffix.size());
    return exeFileName;
}

QString IniBesideExe(const QString &exePath)
{
    const QFileInfo exe(exePath);
    return exe.dir().filePath(exe.completeBaseName() + QStringLiteral(".ini"));
}

QString CurrentExePath() { return QCoreApplication::applicationFilePath(); }

QString CurrentExeFileName() { return QFileInfo(CurrentExePath()).fileName(); }

} // namespace ZqExeNames
