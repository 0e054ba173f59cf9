#include "ZqFormSR.h"

#include "ZqAdminCheck.h"
#include "ZqExeNames.h"
#include "ZqRegistry.h"
#include "ZqStartupEntry.h"
#include "ZqStoredValues.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

#include <algorithm>

namespace {

// The "maximized" value: the window state when the position was saved.
enum TStoredState {
    ssNormal = 0,
    ssMinimized = 1,
    ssMaximized = 2
};

int StateCode(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized)
        return ssMinimized;
    if (state & Qt::WindowMaximized)
        return ssMaximized;
    return ssNormal;
}

int ReadStoredInt(const QSettings *store, const QString &name, int def)
{
    return store ? IntOrDefault(store->value(name), def) : def;
}

void WriteStoredInt(QSettings &store, const QString &name, int value) { store.setValue(name, QString::number(value)); }

QRect PrimaryScreenRect()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QRect PrimaryWorkArea()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Enough of the window to see it and take hold of it.
constexpr int kMinVisible = 48;

bool ReachableOnSomeScreen(const QRect &frame)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    for (const QScreen *screen : screens) {
        const QRect seen = screen->availableGeometry().intersected(frame);
        if (seen.width() >= std::min(kMinVisible, frame.width()) &&
            seen.height() >= std::min(kMinVisible, frame.height()))
            return true;
    }
    return false;
}

} // namespace

TZqFormSR::TZqFormSR(QWidget *AOwner) : QObject(AOwner), FMasterForm(AOwner)
{
    SetIniFileName(kAppIniMarker);
    FMainAppRegKey = QStringLiteral("\\Software\\") + ZqExeNames::ExeBase(ZqExeNames::CurrentExeFileName());
    FAppRegKey = BuildAppRegKey();
}

TZqFormSR::~TZqFormSR()
{
    if (FMasterForm)
        FMasterForm->removeEventFilter(this);
}

void TZqFormSR::Loaded()
{
    if (FMasterForm)
        FMasterForm->installEventFilter(this);
}

// Only the program's own show and hide count: a spontaneous one is the user
// minimising or restoring the window, which must neither jump it back to the
// stored place nor save a minimised window's bounds mid-run.
bool TZqFormSR::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FMasterForm && !event->spontaneous()) {
        if (event->type() == QEvent::Show)
            RestorePos();
        else if (event->type() == QEvent::Hide && bPosCanSave)
            SavePos();
    }
    return QObject::eventFilter(watched, event);
}

void TZqFormSR::RestorePos()
{
    if (!FMasterForm)
        return;
    bPosCanSave = true;
    const std::unique_ptr<QSettings> store = OpenPositionStore();
    if (FUseRegistry && ReadStoredInt(store.get(), QStringLiteral("maximized"), ssNormal) == ssMaximized) {
        FMasterForm->setWindowState((FMasterForm->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    } else {
        ApplyBounds(store.get());
    }
    bWasReadPos = true;
}

// Width and Height are the client size, Left and Top the frame's position,
// the same pair QWidget::resize() and move() take back. A stored place is a
// wish, not an order: the window never outgrows the primary screen's work
// area, and one that would land where no screen shows it comes up centred.
void TZqFormSR::ApplyBounds(const QSettings *store)
{
    QWidget &form = *FMasterForm;
    QSize size = form.size();
    if (!FRestoreOnlyPosition)
        size = QSize(ReadStoredInt(store, QStringLiteral("Width"), size.width()),
                     ReadStoredInt(store, QStringLiteral("Height"), size.height()));
    const QRect area = PrimaryWorkArea();
    if (!area.isEmpty())
        size = size.boundedTo(area.size());
    form.resize(size);
    const QRect screen = PrimaryScreenRect();
    const QPoint centred(screen.x() + (screen.width() - form.width()) / 2,
                         screen.y() + (screen.height() - form.height()) / 2);
    const QPoint stored(ReadStoredInt(store, QStringLiteral("Left"), centred.x()),
                        ReadStoredInt(store, QStringLiteral("Top"), centred.y()));
    form.move(ReachableOnSomeScreen(QRect(stored, form.size())) ? stored : centred);
}

void TZqFormSR::SavePos()
{
    if (!bWasReadPos || !FMasterForm)
        return;
    const QWidget &form = *FMasterForm;
    const std::pair<int, QRect> place(StateCode(form.windowState()), QRect(form.pos(), form.size()));
    if (FSavedPlace == place)
        return;
    const bool batched = PositionInBatch();
    const std::unique_ptr<QSettings> own = batched ? nullptr : OpenPositionStore();
    QSettings *store = batched ? FBatch.get() : own.get();
    if (!store)
        return;
    if (batched)
        store->beginGroup(BuildAppRegKey().mid(FMainAppRegKey.size() + 1));
    if (FUseRegistry)
        WriteStoredInt(*store, QStringLiteral("maximized"), place.first);
    WriteStoredInt(*store, QStringLiteral("Width"), form.width());
    WriteStoredInt(*store, QStringLiteral("Height"), form.height());
    WriteStoredInt(*store, QStringLiteral("Top"), form.y());
    WriteStoredInt(*store, QStringLiteral("Left"), form.x());
    if (batched)
        store->endGroup();
    else
        ZqRegistry::Commit(*store);
    FSavedPlace = place;
}

// The position shares the named values' store unless it lives in an INI file.
bool TZqFormSR::PositionInBatch() const { return FBatch && FUseRegistry; }

void TZqFormSR::BeginUpdate()
{
    if (FUpdateDepth++ == 0)
        FBatch = ZqRegistry::OpenUserKey(FMainAppRegKey);
}

void TZqFormSR::EndUpdate()
{
    if (FUpdateDepth == 0 || --FUpdateDepth > 0)
        return;
    if (FBatch)
        ZqRegistry::Commit(*FBatch);
    FBatch.reset();
}

std::unique_ptr<QSettings> TZqFormSR::OpenPositionStore()
{
    if (FUseRegistry) {
        FAppRegKey = BuildAppRegKey();
        return ZqRegistry::OpenUserKey(FAppRegKey);
    }
    auto ini = std::make_unique<QSettings>(IniFilePath(), QSettings::IniFormat);
    ini->beginGroup(FormName());
    return ini;
}

QString TZqFormSR::BuildAppRegKey() const
{
    QString last = FormName();
    if (FTypeIniName == asCustom)
        last += QLatin1Char('_') + FIniFileName;
    return FMainAppRegKey + QLatin1Char('\\') + last;
}

// A form without an object name would otherwise write its position among the
// application's named values.
QString TZqFormSR::FormName() const
{
    if (!FMasterForm)
        return {};
    const QString name = FMasterForm->objectName();
    return name.isEmpty() ? QString::fromLatin1(FMasterForm->metaObject()->className()) : name;
}

// A relative custom name sits beside the executable, like the default file.
QString TZqFormSR::IniFilePath() const
{
    const QString exeDir = QFileInfo(ZqExeNames::CurrentExePath()).absolutePath();
    return QDir(exeDir).filePath(FIniFileName);
}

void TZqFormSR::SetIniFileName(const QString &v)
{
    if (v.trimmed() != kAppIniMarker)
        FTypeIniName = asCustom;
    FIniFileName = FTypeIniName == asCustom ? v : ZqExeNames::IniBesideExe(ZqExeNames::CurrentExePath());
}

void TZqFormSR::SetTypeIniName(TApplicationIniName t)
{
    FTypeIniName = t;
    if (t == asAppIniName)
        SetIniFileName(kAppIniMarker);
}

bool TZqFormSR::StartWithWindows() const { return ZqStartupEntry::Exists(ZqExeNames::CurrentExePath()); }

// Compared with the entry as it is now, not with an earlier answer, so
// switching it off also removes an entry this instance has not looked at.
void TZqFormSR::SetStartWithWindows(bool b)
{
    if (b == StartWithWindows())
        return;
    const QString exePath = ZqExeNames::CurrentExePath();
    const bool changed = b ? ZqStartupEntry::Write(exePath) : ZqStartupEntry::Remove(exePath);
    if (!changed)
        qWarning("TZqFormSR: the start-up entry could not be %s", b ? "written" : "removed");
}

bool TZqFormSR::IsWindowsAdmin() const { return ZqAdminCheck::UserIsAdministrator(); }

QVariant TZqFormSR::ReadNamed(const QString &key) const
{
    if (key.isEmpty())
        return {};
    return FBatch ? FBatch->value(key) : ZqRegistry::ReadValue(FMainAppRegKey, key);
}

bool TZqFormSR::SaveNamed(const QString &key, const QVariant &value)
{
    if (key.isEmpty())
        return false;
    if (!FBatch)
        return ZqRegistry::WriteValue(FMainAppRegKey, key, value);
    FBatch->setValue(key, value);
    return true;
}

int TZqFormSR::ReadRegINI(const QString &key, int def) { return IntOrDefault(ReadNamed(key), def); }

QString TZqFormSR::ReadRegINI(const QString &key, const QString &def) { return TextOrDefault(ReadNamed(key), def); }

QString TZqFormSR::ReadRegINI(const QString &key, const char *def) { return ReadRegINI(key, QString::fromUtf8(def)); }

bool TZqFormSR::ReadRegINI(const QString &key, bool def) { return FlagOrDefault(ReadNamed(key), def); }

bool TZqFormSR::SaveRegINI(const QString &key, int value) { return SaveNamed(key, QString::number(value)); }

bool TZqFormSR::SaveRegINI(const QString &key, const QString &value) { return SaveNamed(key, value); }

bool TZqFormSR::SaveRegINI(const QString &key, const char *value) { return SaveRegINI(key, QString::fromUtf8(value)); }

// An int QVariant becomes a REG_DWORD in the registry.
bool TZqFormSR::SaveRegINI(const QString &key, bool value) { return SaveNamed(key, value ? 1 : 0); }
