#include "settingssandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

SettingsSandbox::SettingsSandbox() : FOldConfigHome(qgetenv("XDG_CONFIG_HOME")), FOldHome(qgetenv("HOME"))
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigDir()));
    qputenv("HOME", QFile::encodeName(FDir.filePath(QStringLiteral("home"))));
}

SettingsSandbox::~SettingsSandbox()
{
    qputenv("XDG_CONFIG_HOME", FOldConfigHome);
    qputenv("HOME", FOldHome);
}

QString SettingsSandbox::ConfigDir() const { return FDir.filePath(QStringLiteral("config")); }

QString SettingsSandbox::StoreFile() const
{
    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return QDir(ConfigDir()).filePath(exeName + QStringLiteral(".conf"));
}

std::unique_ptr<QSettings> SettingsSandbox::OpenStore() const
{
    return std::make_unique<QSettings>(StoreFile(), QSettings::IniFormat);
}

void SettingsSandbox::Seed(const QString &group, const QVariantMap &values) const
{
    const auto store = OpenStore();
    store->beginGroup(group);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        store->setValue(it.key(), it.value());
    store->sync();
}

bool SettingsSandbox::WriteRaw(const QByteArray &content) const
{
    QFile file(StoreFile());
    return QDir().mkpath(ConfigDir()) && file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

TestForm::TestForm(const QString &name)
{
    form.setObjectName(name);
    form.resize(kDesigned);
    probe = new ShowProbe(&form);
    store = new TZqFormSR(&form);
    store->Loaded();
}

ShowProbe::ShowProbe(QWidget *form) : QObject(form) { form->installEventFilter(this); }

bool ShowProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        const auto *form = static_cast<QWidget *>(watched);
        positionAtShow = form->pos();
        sizeAtShow = form->size();
    }
    return QObject::eventFilter(watched, event);
}
