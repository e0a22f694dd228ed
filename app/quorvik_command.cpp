#include "app/quorvik_command.h"

TProgramTexts QuorvikProgramTexts() {
    return MakeProgramTexts(
        QLatin1String(kQuorvikProgramName), QStringLiteral("[Optionen] [URL]"),
        QStringLiteral(
            "Aufruf: %1\n"
            "\n"
            "Zeigt in einem Fenster, was ein Webserver über eine Adresse sagt, bevor etwas\n"
            "heruntergeladen wird: Quorvik löst den Rechnernamen auf, sendet eine\n"
            "HTTP-HEAD-Anfrage, folgt Umleitungen und zeigt den HTTP-Report. Mit URL steht\n"
            "diese Adresse beim Start im Adressfeld, sonst die Seite des Herstellers.\n"
            "\n"
            "Optionen:\n"
            "  -h, --help           diese Hilfe ausgeben\n"
            "  --version            die Version ausgeben\n"
            "\n"
            "Dazu nimmt %2 die Optionen von Qt an, etwa -display ANZEIGE oder\n"
            "-platform NAME.\n"
            "\n"
            "Je Benutzer läuft nur ein Quorvik: ein zweiter Aufruf meldet, dass Quorvik\n"
            "bereits gestartet wurde, und holt dann das Fenster des ersten nach vorn.\n"
            "\n"
            "Dateien: die Fensterposition und das Datum der letzten Update-Frage stehen in\n"
            "~/.config/Vendrix/%2.ini, Fehler des Programms in ~/.config/Vendrix/Error.txt\n"
            "(mit XDG_CONFIG_HOME in $XDG_CONFIG_HOME/Vendrix/).\n"
            "\n"
            "Rückgabewert: 0; 2 bei falschem Aufruf.\n"));
}
