#include "traceviewer/trace_viewer_command.h"

TProgramTexts TraceViewerProgramTexts() {
    return MakeProgramTexts(
        QLatin1String(kTraceViewerProgramName), QStringLiteral("[Optionen]"),
        QStringLiteral(
            "Aufruf: %1\n"
            "\n"
            "Gibt die Einträge der Ablaufverfolgung (Trace) aus, die Quorvik und andere\n"
            "Programme des Benutzers senden: je Eintrag eine Zeile mit der Uhrzeit, der Art\n"
            "(Info, Warnung, Fehler) und dem Text, eingerückt wie beim Sender.\n"
            "Steuerzeichen erscheinen als \\xNN. Ein Programm, das Einträge sendet, startet\n"
            "%2 selbst, wenn keiner läuft.\n"
            "\n"
            "Optionen:\n"
            "  -h, --help           diese Hilfe ausgeben\n"
            "  --version            die Version ausgeben\n"
            "\n"
            "Dateien: %2 empfängt an $XDG_RUNTIME_DIR/TfmTraceViewer.sock (ohne\n"
            "XDG_RUNTIME_DIR im temporären Ordner, mit der Benutzernummer im Namen) und\n"
            "läuft, bis Strg+C oder SIGTERM es beendet. Welches Programm gestartet wird,\n"
            "steht als FilePath im Abschnitt TraceViewer von\n"
            "~/.config/Vendrix/TraceViewer.ini; sonst ist es %2 neben dem Programm.\n"
            "\n"
            "Rückgabewert: 0 nach Strg+C oder SIGTERM; 1, wenn schon ein anderer Viewer\n"
            "empfängt; 2 bei falschem Aufruf.\n"));
}
