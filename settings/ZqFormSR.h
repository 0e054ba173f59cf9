#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

class QSettings;

// How the INI file of the position store is named.
enum TApplicationIniName {
    asAppIniName, // named after the executable, beside it
    asCustom,     // IniFileName used as set
};

// Remembers its owning form's position and size between runs: restores them
// whenever the program shows the form and saves them whenever the program
// hides it (closing and destroying a visible form both hide it first). Also a
// small typed store for named values of the application and the switch that
// puts the program into the user's start-up list.
class TZqFormSR : public QObject {
    Q_OBJECT

public:
    static inline const QString kAppIniMarker = QStringLiteral("[ApplicationExeName.ini]");

    explicit TZqFormSR(QWidget *AOwner);
    ~TZqFormSR() override;

    // Hooks the owning form's show and hide; the owner calls it once the
    // stored properties are set.
    void Loaded();

    void RestorePos();
    // Writes nothing when the form's place is the one this instance last saved.
    void SavePos();
    // Writes from here to the matching EndUpdate (named values and the
    // position alike) reach the store together, in one write at EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    bool IsWindowsAdmin() const;

    int ReadRegINI(const QString &key, int def);
    QString ReadRegINI(const QString &key, const QString &def);
    QString ReadRegINI(const QString &key, const char *def);
    bool ReadRegINI(const QString &key, bool def);
    bool SaveRegINI(const QString &key, int value);
    bool SaveRegINI(const QString &key, const QString &value);
    bool SaveRegINI(const QString &key, const char *value);
    bool SaveRegINI(const QString &key, bool value);

    bool RestoreOnlyPosition() const { return FRestoreOnlyPosition; }
    void SetRestoreOnlyPosition(bool v) { FRestoreOnlyPosition = v; }
    QString IniFileName() const { return FIniFileName; }
    void SetIniFileName(const QString &v);
    TApplicationIniName TypeIniName() const { return FTypeIniName; }
    void SetTypeIniName(TApplicationIniName t);
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool v) { FUseRegistry = v; }
    // Asks the start-up list each time: the user may change it meanwhile.
    bool StartWithWindows() const;
    void SetStartWithWindows(bool b);

    // The key paths below HKEY_CURRENT_USER as of the last restore or save.
    QString AppRegKey() const { return FAppRegKey; }
    QString MainAppRegKey() const { return FMainAppRegKey; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString BuildAppRegKey() const;
    QString FormName() const;
    QString IniFilePath() const;
    QVariant ReadNamed(const QString &key) const;
    bool SaveNamed(const QString &key, const QVariant &value);
    std::unique_ptr<QSettings> OpenPositionStore();
    bool PositionInBatch() const;
    void ApplyBounds(const QSettings *store);

    QString FIniFileName;
    TApplicationIniName FTypeIniName = asAppIniName;
    QPointer<QWidget> FMasterForm;
    bool FUseRegistry = true;
    QString FAppRegKey;
    QString FMainAppRegKey;
    bool bWasReadPos = false;
    bool FRestoreOnlyPosition = false;
    bool bPosCanSave = false;
    // The place last written: state, then the bounds.
    std::optional<std::pair<int, QRect>> FSavedPlace;
    std::unique_ptr<QSettings> FBatch;
    int FUpdateDepth = 0;
};
