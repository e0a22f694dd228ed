#pragma once

#include <QString>

#include <memory>

class QObject;

// The textual form of a component (a QObject): its class, its object name and
// its stored, writable properties, one line each:
//
//   object FrmMain: TFrmMain
//     Caption = 'It''s done'#10'Next line'
//     Count = '3'
//   end
//
// Every value is the property's value as Qt converts it to text, quoted: a
// quote inside is doubled, and a control character is written as # and its
// code between quoted parts. Properties whose value has no text form are left
// out. Both functions throw EQuorvikError on a fault.
namespace componenttext {

QString ToText(const QObject& component);

// A new component of the class that `text` names, with its name and
// properties set; owned by the caller. The class must be known to Qt's type
// system by its pointer type (qRegisterMetaType<T*>()) and have a
// Q_INVOKABLE constructor without arguments.
std::unique_ptr<QObject> FromText(const QString& text);

} // namespace componenttext
