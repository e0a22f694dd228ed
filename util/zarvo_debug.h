#pragma once

#include "ini/value_text.h"
#include "util/trace_channel.h"

#include <QObject>
#include <QString>

// The trace component of the main window: sends trace entries (trace.h) that
// name the source file and line they come from. Every method catches its own
// failures and returns false instead. GUI thread only.
class TZarvoDebug : public QObject {
    Q_OBJECT
    // The call forms, for a developer browsing the component's properties.
    Q_PROPERTY(QString _Add READ AddForm CONSTANT)
    Q_PROPERTY(QString _AddBool READ AddBoolForm CONSTANT)
    Q_PROPERTY(QString _AddDate READ AddDateForm CONSTANT)
    Q_PROPERTY(QString _AddInt READ AddIntForm CONSTANT)
    Q_PROPERTY(QString _AddSep READ AddSepForm CONSTANT)

public:
    explicit TZarvoDebug(QObject* parent = nullptr);

    // "***** Begin Debug Report <executable>  <today's date>", as information.
    bool Begin();
    // Typ 2 is a warning, 3 and 4 an error, any other information; sends
    // "<Text>   [<file name of Datei>(<Line>)]".
    bool Add(int Typ, const QString& Text, const QString& Datei, int Line);
    // Add with Typ 1 and "<Text>= True" or "<Text>= False".
    bool AddBool(const QString& Text, bool Zustand, const QString& Datei, int Line);
    // Add with Typ 1 and "<Text>= <Value>".
    bool AddInt(const QString& Text, int Value, const QString& Datei, int Line);
    // Add with Typ 1 and "<Text>= " with the value's date and time text.
    bool AddDate(const QString& Text, TDateTime Value, const QString& Datei, int Line);
    // A separator line.
    bool AddSep();
    // Nothing is kept that could be saved.
    void Save() {}

    // The kind of the last entry Add sent.
    TTraceKind LastKind() const { return FLastKind; }

    QString AddForm() const;
    QString AddBoolForm() const;
    QString AddDateForm() const;
    QString AddIntForm() const;
    QString AddSepForm() const;

private:
    TTraceKind FLastKind = tkInformation;
};
