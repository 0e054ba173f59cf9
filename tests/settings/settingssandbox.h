#pragma once

#include "ZqFormSR.h"

#include <QByteArray>
#include <QEvent>
#include <QPoint>
#include <QSettings>
#include <QSize>
#include <QTemporaryDir>
#include <QVariantMap>
#include <QWidget>

#include <memory>

// Points the user's configuration folder and home at a fresh temporary
// folder for the lifetime of one test, so no test sees the user's settings
// or another test's leftovers; puts the old locations back afterwards.
class SettingsSandbox {
public:
    SettingsSandbox();
    ~SettingsSandbox();
    SettingsSandbox(const SettingsSandbox &) = delete;
    SettingsSandbox &operator=(const SettingsSandbox &) = delete;

    bool IsValid() const { return FDir.isValid(); }
    QString Root() const { return FDir.path(); }
    QString ConfigDir() const;
    // The per-user file that holds \Software\<executable name>.
    QString StoreFile() const;
    std::unique_ptr<QSettings> OpenStore() const;
    // Writes values into a group of the store ("" for the top level).
    void Seed(const QString &group, const QVariantMap &values) const;
    bool WriteRaw(const QByteArray &content) const;

private:
    QTemporaryDir FDir;
    QByteArray FOldConfigHome;
    QByteArray FOldHome;
};

// Records where the form stands once the store's show hook has run: installed
// before the store's hook, it sees the show event after it.
class ShowProbe : public QObject {
public:
    explicit ShowProbe(QWidget *form);
    bool eventFilter(QObject *watched, QEvent *event) override;
    QPoint positionAtShow;
    QSize sizeAtShow;
};

// A top-level form named like the main window, with its store hooked the way
// the owner does it.
class TestForm {
public:
    static constexpr QSize kDesigned{300, 200};

    explicit TestForm(const QString &name = QStringLiteral("Form1"));
    QWidget form;
    ShowProbe *probe;
    TZqFormSR *store;
};
