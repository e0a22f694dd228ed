#include "query/json_writer.h"

#include "util/cp1252.h"

#include <cmath>

namespace {

constexpr int kIndentWidth = 2;
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1Control = 0x9F;
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kReplacement = 0xFFFD;
constexpr int kEscapeDigits = 4;
constexpr int kHexBase = 16;

// Characters that a reader (or a terminal, or a script embedding the text)
// could take for something else than text.
bool NeedsEscape(char16_t c) {
    return c < kFirstPrintable || (c >= kDelete && c <= kLastC1Control) || c == kLineSeparator ||
           c == kParagraphSeparator;
}

} // namespace

void TJsonWriter::BeginObject(TItems items) {
    Open('{', '}', items);
}

void TJsonWriter::EndObject() {
    Close();
}

void TJsonWriter::BeginArray(TItems items) {
    Open('[', ']', items);
}

void TJsonWriter::EndArray() {
    Close();
}

void TJsonWriter::Name(std::string_view name) {
    NextItem();
    Quoted(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    FText += FLayout == TLayout::Indented ? QStringLiteral(": ") : QStringLiteral(":");
    FAfterName = true;
}

void TJsonWriter::String(QStringView text) {
    BeginValue();
    Quoted(text);
}

void TJsonWriter::Cp1252(std::string_view bytes) {
    String(FromCp1252(bytes));
}

void TJsonWriter::Integer(std::int64_t value) {
    BeginValue();
    FText += QString::number(value);
}

void TJsonWriter::Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    BeginValue();
    FText += QString::number(value, 'f', decimals);
}

void TJsonWriter::Bool(bool value) {
    BeginValue();
    FText += value ? QStringLiteral("true") : QStringLiteral("false");
}

void TJsonWriter::Null() {
    BeginValue();
    FText += QStringLiteral("null");
}

void TJsonWriter::BeginValue() {
    // A member's value follows its name on the same line.
    if (FAfterName)
        FAfterName = false;
    else
        NextItem();
}

void TJsonWriter::NextItem() {
    if (FLevels.empty())
        return;
    if (FLevels.back().Count++ > 0) {
        FText += QLatin1Char(',');
        if (FLevels.back().OneLine && FLayout == TLayout::Indented)
            FText += QLatin1Char(' ');
    }
    NewLine();
}

void TJsonWriter::NewLine() {
    if (FLayout == TLayout::Compact || (!FLevels.empty() && FLevels.back().OneLine))
        return;
    FText += QLatin1Char('\n');
    FText += QString(static_cast<qsizetype>(FLevels.size()) * kIndentWidth, QLatin1Char(' '));
}

void TJsonWriter::Open(char open, char close, TItems items) {
    BeginValue();
    FText += QLatin1Char(open);
    const bool oneLine = items == TItems::OnOneLine || (!FLevels.empty() && FLevels.back().OneLine);
    FLevels.push_back({close, oneLine, 0});
}

void TJsonWriter::Close() {
    const TLevel level = FLevels.back();
    FLevels.pop_back();
    // An empty container stays on its line: "[]", "{}".
    if (level.Count > 0 && !level.OneLine)
        NewLine();
    FText += QLatin1Char(level.Close);
}

void TJsonWriter::Quoted(QStringView text) {
    FText += QLatin1Char('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            FText += QLatin1Char('\\');
            FText += c;
        } else if (NeedsEscape(c.unicode())) {
            FText +=
                QStringLiteral("\\u%1").arg(c.unicode(), kEscapeDigits, kHexBase, QLatin1Char('0'));
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            FText += c;
            FText += text[++i];
        } else if (c.isSurrogate()) {
            // Half a pair has no UTF-8 form.
            FText += QChar(kReplacement);
        } else {
            FText += c;
        }
    }
    FText += QLatin1Char('"');
}
