#include "util/zarvo_debug.h"

#include "util/data_location.h"
#include "util/trace.h"

#include <QDate>
#include <QLocale>

namespace {

constexpr int kTypWarning = 2;
constexpr int kTypError = 3;
constexpr int kTypFatal = 4;
constexpr int kTypInformation = 1;

TTraceKind KindOf(int typ) {
    switch (typ) {
    case kTypWarning:
        return tkWarning;
    case kTypError:
    case kTypFatal:
        return tkError;
    default:
        return tkInformation;
    }
}

// The part after the last folder separator of either kind.
QString FileNamePart(const QString& path) {
    return path.mid(qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) +
                    1);
}

// Runs `send`; true unless it failed.
template <class Send> bool Guarded(Send send) {
    try {
        send();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

TZarvoDebug::TZarvoDebug(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("Debug"));
}

bool TZarvoDebug::Begin() {
    return Guarded([] {
        TraceMsg(QStringLiteral("***** Begin Debug Report <%1>  %2")
                     .arg(datalocation::ExecutableFileName(),
                          QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
    });
}

bool TZarvoDebug::Add(int Typ, const QString& Text, const QString& Datei, int Line) {
    return Guarded([&] {
        FLastKind = KindOf(Typ);
        TraceMsgEx(QStringLiteral("%1   [%2(%3)]").arg(Text, FileNamePart(Datei)).arg(Line),
                   FLastKind);
    });
}

bool TZarvoDebug::AddBool(const QString& Text, bool Zustand, const QString& Datei, int Line) {
    return Add(kTypInformation,
               Text + (Zustand ? QStringLiteral("= True") : QStringLiteral("= False")), Datei,
               Line);
}

bool TZarvoDebug::AddInt(const QString& Text, int Value, const QString& Datei, int Line) {
    return Add(kTypInformation, Text + QStringLiteral("= ") + QString::number(Value), Datei, Line);
}

bool TZarvoDebug::AddDate(const QString& Text, TDateTime Value, const QString& Datei, int Line) {
    return Add(kTypInformation, Text + QStringLiteral("= ") + TraceDateTimeText(Value), Datei,
               Line);
}

bool TZarvoDebug::AddSep() {
    return Guarded(TraceSeparator);
}

QString TZarvoDebug::AddForm() const {
    return QStringLiteral("(int Typ, String Text, String Datei, int Line)");
}
QString TZarvoDebug::AddBoolForm() const {
    return QStringLiteral("(String Text, bool Zustand, String Datei, int Line)");
}
QString TZarvoDebug::AddDateForm() const {
    return QStringLiteral("(String Text, TDateTime Value, String Datei, int Line)");
}
QString TZarvoDebug::AddIntForm() const {
    return QStringLiteral("(String Text, int Value, String Datei, int Line)");
}
QString TZarvoDebug::AddSepForm() const {
    return QStringLiteral("(void)");
}
