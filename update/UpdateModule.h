#pragma once
// Finds and loads the network module that carries the update check.
#include "UpdateTransfer.h"

#include <QStringList>

#include <memory>

// Beside the program, then the install's lib folders.
QStringList DefaultUpdateModuleFolders();

// Empty, with the reason in fault, when no folder holds a module that loads.
// A module once loaded stays loaded: its network threads may outlive a check.
std::unique_ptr<TUpdateTransfer> LoadUpdateTransfer(const QStringList &folders, QString *fault);
