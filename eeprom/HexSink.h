#pragma once
// What an EEPROM engine needs of a hex view: a place to show the bytes of a
// read. Declared here so the engines stay free of widgets; a view implements
// it and is reached through qobject_cast, so the engine can hold it as a
// plain QObject that clears itself when the view goes away.
#include <QByteArray>
#include <QObject>

class THexSink {
public:
    virtual ~THexSink() = default;
    // Shows the first bytes_cnt bytes of buffer, labelled from start_address on.
    virtual void ShowHex(const QByteArray &buffer, int bytes_cnt, int start_address) = 0;
};

#define THexSink_iid "pl.rzt.Brindle.THexSink/1.0"
Q_DECLARE_INTERFACE(THexSink, THexSink_iid)
