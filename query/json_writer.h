#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string_view>
#include <vector>

// Writes one JSON document value by value, in the order given: objects keep
// their members in the order they are written. Indented, every member and
// element stands on a line of its own, two blanks deeper than its container,
// with ": " after a name (the layout of `jq .`), except in a container begun
// on one line, whose items follow each other after ", " (a short pair such
// as ["Server", "nginx"]); compact, the same document is one line without
// any blank (`jq -c`), as JSON Lines need it.
//
// Every text becomes a valid JSON string whatever it holds: quotes and
// backslashes are escaped, control characters (C0, DEL, C1) and the two
// line separators U+2028 and U+2029 are written as \uXXXX, and a lone
// surrogate becomes U+FFFD. The caller writes a name before each value
// inside an object and closes what it opened.
class TJsonWriter {
public:
    enum class TLayout { Indented, Compact };
    // Where the items of a container stand when indented; what a one-line
    // container holds stays on its line too.
    enum class TItems { OnLines, OnOneLine };

    explicit TJsonWriter(TLayout layout = TLayout::Indented) : FLayout(layout) {}

    void BeginObject(TItems items = TItems::OnLines);
    void EndObject();
    void BeginArray(TItems items = TItems::OnLines);
    void EndArray();
    // The name of the next member of the current object.
    void Name(std::string_view name);

    void String(QStringView text);
    // Windows-1252 bytes, as servers send them.
    void Cp1252(std::string_view bytes);
    void Integer(std::int64_t value);
    // `decimals` places after the point, always written; null when the
    // value is no finite number.
    void Fixed(double value, int decimals);
    void Bool(bool value);
    void Null();

    // The document written so far.
    const QString& Text() const { return FText; }

private:
    struct TLevel {
        char Close;
        bool OneLine;
        int Count;
    };

    void BeginValue();
    void NextItem();
    void NewLine();
    void Open(char open, char close, TItems items);
    void Close();
    void Quoted(QStringView text);

    TLayout FLayout;
    QString FText;
    std::vector<TLevel> FLevels;
    bool FAfterName = false;
};
