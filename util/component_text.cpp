#include "util/component_text.h"

#include "base/error.h"

#include <QMetaProperty>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>

namespace componenttext {

namespace {

constexpr char kObjectWord[] = "object";
constexpr char kEndWord[] = "end";
constexpr char kIndent[] = "  ";
constexpr QChar kQuote = u'\'';
constexpr QChar kCodeMark = u'#';
// Characters below this are written by their code.
constexpr char16_t kFirstPrintable = 0x20;

[[noreturn]] void Fail(const char* what) {
    throw EQuorvikError(std::string("component text: ") + what);
}

QString Quoted(const QString& value) {
    QString text;
    bool open = false;
    for (const QChar c : value) {
        const bool control = c.unicode() < kFirstPrintable;
        if (control == open) {
            text += kQuote;
            open = !open;
        }
        if (control)
            text += kCodeMark + QString::number(c.unicode());
        else
            text += c == kQuote ? QString(2, kQuote) : QString(c);
    }
    if (open)
        text += kQuote;
    return text.isEmpty() ? QString(2, kQuote) : text;
}

QString Unquoted(const QString& text) {
    QString value;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == kCodeMark) {
            qsizetype end = ++i;
            while (end < text.size() && text[end].isDigit())
                ++end;
            bool ok = false;
            const uint code = text.mid(i, end - i).toUInt(&ok);
            if (!ok || code >= kFirstPrintable)
                Fail("bad character code");
            value += QChar(char16_t(code));
            i = end;
        } else if (text[i] == kQuote) {
            for (++i;; ++i) {
                if (i >= text.size())
                    Fail("unterminated quote");
                if (text[i] == kQuote) {
                    if (i + 1 < text.size() && text[i + 1] == kQuote)
                        ++i;
                    else
                        break;
                }
                value += text[i];
            }
            ++i;
        } else {
            Fail("value is not quoted");
        }
    }
    return value;
}

bool IsStreamed(const QMetaProperty& property, const QObject& component) {
    return property.isReadable() && property.isWritable() && property.isStored() &&
           qstrcmp(property.name(), "objectName") != 0 &&
           QMetaType::canConvert(property.read(&component).metaType(),
                                 QMetaType::fromType<QString>());
}

} // namespace

QString ToText(const QObject& component) {
    const QMetaObject& meta = *component.metaObject();
    QString text = QStringLiteral("%1 %2: %3\n")
                       .arg(QLatin1String(kObjectWord), component.objectName(),
                            QLatin1String(meta.className()));
    for (int i = 0; i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        if (IsStreamed(property, component))
            text += QLatin1String(kIndent) + QLatin1String(property.name()) +
                    QStringLiteral(" = ") + Quoted(property.read(&component).toString()) + '\n';
    }
    return text + QLatin1String(kEndWord) + '\n';
}

std::unique_ptr<QObject> FromText(const QString& text) {
    QStringList lines = text.split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() < 2 || lines.last().trimmed() != QLatin1String(kEndWord))
        Fail("no end line");

    static const QRegularExpression header(QStringLiteral("^object (\\S*): (\\w+)$"));
    const QRegularExpressionMatch match = header.match(lines.first().trimmed());
    if (!match.hasMatch())
        Fail("bad object line");
    const QMetaType type = QMetaType::fromName((match.captured(2) + '*').toLatin1());
    const QMetaObject* meta = type.isValid() ? type.metaObject() : nullptr;
    std::unique_ptr<QObject> component(meta ? meta->newInstance() : nullptr);
    if (!component)
        Fail("class unknown or not constructible");
    component->setObjectName(match.captured(1));

    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const qsizetype equals = lines[i].indexOf(QStringLiteral(" = "));
        if (equals < 0)
            Fail("bad property line");
        const QByteArray name = lines[i].left(equals).trimmed().toLatin1();
        const int index = meta->indexOfProperty(name.constData());
        if (index < 0 || !meta->property(index).write(component.get(),
                                                      Unquoted(lines[i].mid(equals + 3).trimmed())))
            Fail("unknown property or bad value");
    }
    return component;
}

} // namespace componenttext
