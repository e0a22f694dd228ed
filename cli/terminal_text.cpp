#include "cli/terminal_text.h"

namespace {

constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1 = 0x9F;
constexpr int kEscapeDigits = 2;
constexpr int kHexBase = 16;

bool IsControl(QChar c) {
    const char16_t code = c.unicode();
    return (code < u' ' && code != u'\t' && code != u'\n') || (code >= kDelete && code <= kLastC1);
}

} // namespace

QString TerminalText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (IsControl(c))
            shown +=
                QStringLiteral("\\x%1").arg(c.unicode(), kEscapeDigits, kHexBase, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}
