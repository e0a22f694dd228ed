#pragma once

#include <QTemporaryDir>
#include <QTranslator>

// What the program sets up in Qt for one run, undone when it goes:
// - Qt's own texts (the buttons of the question boxes, the file dialog, the
//   context menus) in German, like the rest of the interface, whatever the
//   system's language; number and date formats stay with the system's locale.
// - Qt's own settings (the file dialog's history) in a temporary folder, so
//   that the program leaves nothing in the user's configuration folder but its
//   own files.
// Create one after the application object, before the first window.
class TQtRunEnvironment {
public:
    TQtRunEnvironment();
    ~TQtRunEnvironment();

    TQtRunEnvironment(const TQtRunEnvironment&) = delete;
    TQtRunEnvironment& operator=(const TQtRunEnvironment&) = delete;

private:
    QTranslator FQtTexts;
    QTemporaryDir FQtSettings;
};
