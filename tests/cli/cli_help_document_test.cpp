// The manual page and the bash completion are made from the --help text; the
// text is taken apart here, and must list exactly what the parser accepts.

#include "cli/cli_bash_completion.h"
#include "cli/cli_command.h"
#include "cli/cli_help_document.h"
#include "cli/cli_manual_page.h"

#include <gtest/gtest.h>

namespace {

// The layout of the real help text, with its awkward cases: a description one
// blank after its names, names that fill their line, a titled note.
const QString kSampleHelp = QStringLiteral("Aufruf: prog [Optionen] URL\n"
                                           "\n"
                                           "Erster Absatz,\n"
                                           "zwei Zeilen.\n"
                                           "\n"
                                           "Zweiter Absatz.\n"
                                           "\n"
                                           "Optionen:\n"
                                           "  --flag               ein Schalter\n"
                                           "  -o DATEI             in DATEI schreiben,\n"
                                           "                       weiter unten\n"
                                           "  --socks-level 4|4A|5 die Stufe\n"
                                           "  --user BENUTZER:PASSWORT\n"
                                           "                       anmelden\n"
                                           "  -h, --help           Hilfe\n"
                                           "\n"
                                           "Strg+C bricht ab.\n"
                                           "\n"
                                           "Rückgabewert: 0 oder 1.\n");

struct TExpectedOption {
    QStringList Names;
    QString Argument;
    QString Description;
};

TEST(CliHelpDocumentTest, TakesTheSampleLayoutApart) {
    const std::optional<TCliHelpDocument> help = ParseCliHelpText(kSampleHelp);
    ASSERT_TRUE(help);
    EXPECT_EQ(help->Usage, "prog [Optionen] URL");
    EXPECT_EQ(help->Description, QStringList({"Erster Absatz, zwei Zeilen.", "Zweiter Absatz."}));
    const std::vector<TExpectedOption> expected = {
        {{"--flag"}, "", "ein Schalter"},
        {{"-o"}, "DATEI", "in DATEI schreiben, weiter unten"},
        {{"--socks-level"}, "4|4A|5", "die Stufe"},
        {{"--user"}, "BENUTZER:PASSWORT", "anmelden"},
        {{"-h", "--help"}, "", "Hilfe"},
    };
    ASSERT_EQ(help->Options.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].Names.join(' ').toStdString());
        EXPECT_EQ(help->Options[i].Names, expected[i].Names);
        EXPECT_EQ(help->Options[i].Argument, expected[i].Argument);
        EXPECT_EQ(help->Options[i].Description, expected[i].Description);
    }
    ASSERT_EQ(help->Notes.size(), 2);
    EXPECT_TRUE(help->Notes[0].Title.isEmpty());
    EXPECT_EQ(help->Notes[0].Text, "Strg+C bricht ab.");
    EXPECT_EQ(help->Notes[1].Title, "Rückgabewert");
    EXPECT_EQ(help->Notes[1].Text, "0 oder 1.");
}

// Without a continued description the column is where the first entry's text
// resumes after its names.
TEST(CliHelpDocumentTest, EntriesOfOneLineEachAreSplitAtTheirColumn) {
    const std::optional<TCliHelpDocument> help =
        ParseCliHelpText(QStringLiteral("Aufruf: prog\n\nOptionen:\n"
                                        "  -h, --help     diese Hilfe\n"
                                        "  --level N      die Stufe N\n"));
    ASSERT_TRUE(help);
    ASSERT_EQ(help->Options.size(), 2);
    EXPECT_EQ(help->Options[0].Names, QStringList({"-h", "--help"}));
    EXPECT_EQ(help->Options[0].Description, "diese Hilfe");
    EXPECT_EQ(help->Options[1].Names, QStringList({"--level"}));
    EXPECT_EQ(help->Options[1].Argument, "N");
    EXPECT_EQ(help->Options[1].Description, "die Stufe N");
}

TEST(CliHelpDocumentTest, AnotherLayoutStopsTheBuildInsteadOfMakingAnEmptyPage) {
    for (const QString& text :
         {QString(), QStringLiteral("Usage: prog URL\n\nOptionen:\n  -x  y\n"),
          QStringLiteral("Aufruf: prog URL\n\nOptions:\n  -x  y\n"),
          QStringLiteral("Aufruf: prog URL\n\nOptionen:\n\nText.\n")}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(ParseCliHelpText(text));
    }
}

// Each listed option is known to the parser, and takes a value exactly when
// the help text names one.
TEST(CliHelpDocumentTest, TheHelpTextListsWhatTheParserAccepts) {
    const std::optional<TCliHelpDocument> help = ParseCliHelpText(CliHelpText());
    ASSERT_TRUE(help);
    ASSERT_GE(help->Options.size(), 10);
    for (const TCliHelpOption& option : help->Options) {
        for (const QString& name : option.Names) {
            SCOPED_TRACE(name.toStdString());
            if (option.Argument.isEmpty()) {
                const TCliCommand command = ParseCliCommand({name, "http://host.test/"});
                EXPECT_NE(command.Kind, TCliCommand::TKind::UsageError)
                    << command.Error.toStdString();
            } else {
                EXPECT_EQ(ParseCliCommand({name}).Error,
                          QStringLiteral("Die Option %1 erwartet einen Wert.").arg(name));
            }
        }
    }
}

TEST(CliManualPageTest, TextReachesRoffLiterally) {
    struct TCase {
        QString Text;
        bool Dashes;
        QString Shown;
    };
    const std::vector<TCase> cases = {
        {"plain text", false, "plain text"},        {"a\\b", false, "a\\eb"},
        {".TH injected", false, "\\&.TH injected"}, {"'br", false, "\\&'br"},
        {"HTTP-HEAD", false, "HTTP-HEAD"},          {"--socks-level", true, "\\-\\-socks\\-level"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(RoffText(c.Text, c.Dashes), c.Shown);
    }
}

TEST(CliManualPageTest, EveryPartOfTheHelpHasItsPlace) {
    const std::optional<TCliHelpDocument> help = ParseCliHelpText(kSampleHelp);
    ASSERT_TRUE(help);
    const QString page = CliManualPage(*help, "prog", "prog 1.0", "tut etwas");
    for (const char* part :
         {".TH PROG 1 \"\" \"prog 1.0\"", ".SH NAME\nprog \\- tut etwas\n",
          ".SH ÜBERSICHT\n.B prog\n[Optionen] URL\n", ".PP\nErster Absatz, zwei Zeilen.\n",
          ".TP\n\\fB\\-o\\fR \\fIDATEI\\fR\nin DATEI schreiben, weiter unten\n",
          ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nHilfe\n", ".SH RÜCKGABEWERT\n0 oder 1.\n",
          ".SH HINWEISE\n.PP\nStrg+C bricht ab.\n"})
        EXPECT_TRUE(page.contains(QString::fromUtf8(part))) << part << "\n" << page.toStdString();
}

TEST(CliBashCompletionTest, OffersTheOptionsAndTheirValues) {
    const std::optional<TCliHelpDocument> help = ParseCliHelpText(kSampleHelp);
    ASSERT_TRUE(help);
    const QString script = CliBashCompletion(*help, "my-prog");
    for (const char* part :
         {"_my_prog() {", "complete -F _my_prog my-prog\n",
          "compgen -W '--flag -o --socks-level --user -h --help'", "    -o) compopt -o filenames",
          "    --socks-level) COMPREPLY=($(compgen -W '4 4A 5'",
          "    --user) COMPREPLY=(); return ;;"})
        EXPECT_TRUE(script.contains(QLatin1String(part))) << part << "\n" << script.toStdString();
}

} // namespace
